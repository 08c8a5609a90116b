#include "orv00006/platform/exceptions.h"

namespace plat {

Exception::Exception(QString message) : message_(std::move(message)), utf8_(message_.toStdString()) {}
Exception::~Exception() = default;

EAbort::EAbort() : Exception(QStringLiteral("Operação cancelada")) {}
EAbort::~EAbort() = default;
EConvertError::~EConvertError() = default;
EVariantTypeCastError::~EVariantTypeCastError() = default;
EDatabaseError::~EDatabaseError() = default;

void Abort() { throw EAbort(); }

}  // namespace plat
