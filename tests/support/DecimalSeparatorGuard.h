#pragma once
// The process-wide decimal separator for the life of a scope: saved when the
// guard is made and put back when it goes, so that a test's separator never
// leaks into the next test run in the same process.
//
// Under ORV_TEST_SEPARATOR_FROM_LOCALE=1 (the locale rows of the suite) the
// guard sets nothing: the separator is the one the locale gave, as on a till,
// and a test asking for another one learns that it cannot have it.
#include <QChar>
#include <QString>

#include <gtest/gtest.h>

#include "orv00006/platform/sysutils.h"

class DecimalSeparatorGuard {
public:
    // Saves the current separator and leaves it as it is.
    DecimalSeparatorGuard() : saved_(plat::DecimalSeparator()) {}
    // Saves the current separator, then sets `separator`.
    explicit DecimalSeparatorGuard(QChar separator) : DecimalSeparatorGuard() {
        EXPECT_TRUE(Set(separator)) << "the locale gives another separator than U+"
                                    << QString::number(separator.unicode(), 16).toStdString();
    }
    ~DecimalSeparatorGuard() {
        if (!FromLocale()) plat::SetDecimalSeparator(saved_);
    }
    DecimalSeparatorGuard(const DecimalSeparatorGuard&) = delete;
    DecimalSeparatorGuard& operator=(const DecimalSeparatorGuard&) = delete;

    static bool FromLocale() { return qEnvironmentVariableIntValue("ORV_TEST_SEPARATOR_FROM_LOCALE") == 1; }

    // Another separator until the guard goes; the saved one stays saved.
    // False when it is not the one in force (locale rows: the locale's differs).
    [[nodiscard]] bool Set(QChar separator) {
        if (FromLocale()) return plat::DecimalSeparator() == separator;
        EXPECT_TRUE(plat::SetDecimalSeparator(separator))
            << "separator refused: U+" << QString::number(separator.unicode(), 16).toStdString();
        return true;
    }

private:
    QChar saved_;
};
