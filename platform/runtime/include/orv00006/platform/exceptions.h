#pragma once
// The runtime's failure kinds. Every failure the platform raises derives from
// Exception and carries a message fit to be shown to the operator.
#include <QString>
#include <exception>
#include <string>

#include "orv00006/platform/export.h"

namespace plat {

class PLATFORM_API Exception : public std::exception {
public:
    explicit Exception(QString message);
    ~Exception() override;
    const QString& Message() const noexcept { return message_; }
    const char* what() const noexcept override { return utf8_.c_str(); }

private:
    QString message_;
    std::string utf8_;
};

// The silent abort: ends the current handler without any message.
class PLATFORM_API EAbort : public Exception {
public:
    EAbort();
    ~EAbort() override;
};

// Text that is not a number, a bad Format pattern.
class PLATFORM_API EConvertError : public Exception {
public:
    using Exception::Exception;
    ~EConvertError() override;
};

// A variant that cannot be read as the type asked for.
class PLATFORM_API EVariantTypeCastError : public Exception {
public:
    using Exception::Exception;
    ~EVariantTypeCastError() override;
};

// Record sets: missing fields, files and packets that cannot be read.
class PLATFORM_API EDatabaseError : public Exception {
public:
    using Exception::Exception;
    ~EDatabaseError() override;
};

[[noreturn]] PLATFORM_API void Abort();

}  // namespace plat
