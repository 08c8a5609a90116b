#pragma once
// The process-wide decimal separator for the life of a scope: saved when the
// guard is made and put back when it goes, so that a test's separator never
// leaks into the next test run in the same process.
#include <QChar>
#include <QString>

#include <gtest/gtest.h>

#include "orv00006/platform/sysutils.h"

class DecimalSeparatorGuard {
public:
    // Saves the current separator and leaves it as it is.
    DecimalSeparatorGuard() : saved_(plat::DecimalSeparator()) {}
    // Saves the current separator, then sets `separator`.
    explicit DecimalSeparatorGuard(QChar separator) : DecimalSeparatorGuard() { Set(separator); }
    ~DecimalSeparatorGuard() { plat::SetDecimalSeparator(saved_); }
    DecimalSeparatorGuard(const DecimalSeparatorGuard&) = delete;
    DecimalSeparatorGuard& operator=(const DecimalSeparatorGuard&) = delete;

    // Another separator until the guard goes; the saved one stays saved.
    void Set(QChar separator) {
        EXPECT_TRUE(plat::SetDecimalSeparator(separator))
            << "separator refused: U+" << QString::number(separator.unicode(), 16).toStdString();
    }

private:
    QChar saved_;
};
