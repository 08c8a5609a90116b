#pragma once
// What the host found in its result variant after the call.
#include <QJsonObject>

#include "orv00006/platform/variant.h"

// `marker` is what the host put in the variant before the call.
QJsonObject DescribeResult(const plat::Variant& result, const plat::Variant& marker);
// One line for people: "pacote: 1 registro(s): TIPO=V VALOR=20", ...
QString SummarizeResult(const QJsonObject& result);
