// Number formatting and parsing, variants and the two-decimal cut.
#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <iomanip>
#include <limits>
#include <string>

#include "DecimalSeparatorGuard.h"
#include "orv00006/dll/Consiste.h"
#include "orv00006/dll/Mensagemvek.h"
#include "orv00006/platform/exceptions.h"
#include "orv00006/platform/sysutils.h"
#include "orv00006/platform/variant.h"

using namespace plat;

namespace {

// The C library takes the environment's locale, as QCoreApplication makes it
// do in every host: the locale rows run these tables under a comma locale.
[[maybe_unused]] const bool kLocaleFromEnvironment = std::setlocale(LC_ALL, "") != nullptr;

// Restores the process separator after each test.
class Separator : public ::testing::Test {
protected:
    DecimalSeparatorGuard separator_;
};

struct TruncCase {
    const char* name;
    double in;
    double out;
};

// Both ends of the range: amounts whose binary value lies just under what
// was written, digits past the second decimal at every magnitude, and the
// values that are not cut at all.
const TruncCase kTruncCases[] = {
    {"TwentyPointZeroOneStays", 20.01, 20.01},
    {"ZeroPointTwentyNineStays", 0.29, 0.29},
    {"OnePointFifteenStays", 1.15, 1.15},
    {"FourPointThirtyFiveStays", 4.35, 4.35},
    {"ThirdDecimalIsCut", 20.019, 20.01},
    {"NegativeCutsTowardZero", -1.239, -1.23},
    {"WholeAmount", 20.0, 20.0},
    {"Zero", 0.0, 0.0},
    {"UnderOneCentIsZero", 0.009, 0.0},
    {"NegativeUnderOneCentIsPositiveZero", -0.009, 0.0},
    {"OneCentStays", 0.01, 0.01},
    {"NegativeOneCentStays", -0.01, -0.01},
    {"NinesAreNotRoundedUp", 19.999999, 19.99},
    {"ProductNoise", 100.0 * 0.2001, 20.01},
    {"SumNoise", 0.1 + 0.2, 0.3},
    {"OneStepUnderACent", std::nextafter(20.01, 0.0), 20.01},
    {"NegativeOneStepUnderACent", std::nextafter(-20.01, 0.0), -20.01},
    {"TwoStepsUnderACentAreCut", std::nextafter(std::nextafter(20.01, 0.0), 0.0), 20.0},
    {"OneStepUnderACentPast2To35IsCut", std::nextafter(123456789012.40, 0.0), 123456789012.39},
    {"BinaryJustUnderHalfCent", 2.675, 2.67},
    {"TenDigits", 1234567890.129, 1234567890.12},
    {"TwelveDigitsWithCents", 9999999999.99, 9999999999.99},
    {"TwelveIntegerDigitsNotRounded", 123456789012.3996, 123456789012.39},
    {"ThirteenIntegerDigitsNotRounded", 1234567890123.456, 1234567890123.45},
    {"NegativeThirteenIntegerDigits", -1234567890123.456, -1234567890123.45},
    {"FourteenIntegerDigits", 12345678901234.567, 12345678901234.56},
    {"NoRoomForDecimals", 4503599627370497.0, 4503599627370497.0},
    {"Huge", 1e300, 1e300},
    {"NegativeHuge", -1e300, -1e300},
    {"PlusInfinity", HUGE_VAL, HUGE_VAL},
    {"MinusInfinity", -HUGE_VAL, -HUGE_VAL},
    {"NaN", std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::quiet_NaN()},
};

void PrintTo(const TruncCase& c, std::ostream* os) { *os << c.name; }

class Trunc2Table : public ::testing::TestWithParam<TruncCase> {};

TEST_P(Trunc2Table, CutsTowardZeroOnTheShortestDecimalForm) {
    const TruncCase& c = GetParam();
    const double got = dll::Trunc2(c.in);
    if (std::isnan(c.out)) {
        EXPECT_TRUE(std::isnan(got)) << got;
    } else {
        EXPECT_EQ(got, c.out) << std::setprecision(17) << "Trunc2(" << c.in << ")";
        EXPECT_EQ(std::signbit(got), std::signbit(c.out));
    }
}

INSTANTIATE_TEST_SUITE_P(Table, Trunc2Table, ::testing::ValuesIn(kTruncCases),
                         [](const ::testing::TestParamInfo<TruncCase>& p) { return std::string(p.param.name); });

TEST(EmptyStringTest, BlanksCountAsEmptyButZeroDoesNot) {
    EXPECT_TRUE(dll::EmptyString(QString()));
    EXPECT_TRUE(dll::EmptyString(QStringLiteral("   ")));
    EXPECT_FALSE(dll::EmptyString(QStringLiteral("0,00")));
    EXPECT_FALSE(dll::EmptyString(QStringLiteral("0")));
}

struct FormatCase {
    const char* name;
    char sep;
    const char* pattern;
    double value;
    const char* text;
};

void PrintTo(const FormatCase& c, std::ostream* os) { *os << c.name; }

const FormatCase kFormatFloatCases[] = {
    {"Comma150", ',', "0.00", 150, "150,00"},
    {"Zero", ',', "0.00", 0, "0,00"},
    {"HalfACentRoundsUp", ',', "0.00", 0.005, "0,01"},
    {"OneAndHalfACentRoundsUp", ',', "0.00", 1.005, "1,01"},
    {"BinaryJustUnderHalfRoundsUp", ',', "0.00", 2.675, "2,68"},
    {"NegativeRoundsAwayFromZero", ',', "0.00", -2.675, "-2,68"},
    {"NegativeUnderHalfACentIsZero", ',', "0.00", -0.001, "0,00"},
    {"Twenty", ',', "0.00", 20, "20,00"},
    {"Millions", ',', "0.00", 1234567.891, "1234567,89"},
    {"Point150", '.', "0.00", 150, "150.00"},
    {"PointHalfACentRoundsUp", '.', "0.00", 0.125, "0.13"},
    {"RoundsUpIntoTheNextUnit", ',', "0.00", 9.995, "10,00"},
    {"ThousandsGroups", ',', "#,##0.00", 1234567.5, "1.234.567,50"},
    {"NoDecimalsHalfRoundsUp", ',', "0", 2.5, "3"},
    {"NegativeTwenty", ',', "0.00", -20, "-20,00"},
    {"HugeFallsBackToTheExponentForm", ',', "0.00", 1e300, "1E300"},
};

class FormatFloatTable : public ::testing::TestWithParam<FormatCase> {};

TEST_P(FormatFloatTable, RoundsHalfAwayFromZero) {
    const FormatCase& c = GetParam();
    const DecimalSeparatorGuard sep(QLatin1Char(c.sep));
    EXPECT_EQ(FormatFloat(QString::fromLatin1(c.pattern), c.value), QString::fromUtf8(c.text))
        << c.pattern << " " << c.value;
}

INSTANTIATE_TEST_SUITE_P(Table, FormatFloatTable, ::testing::ValuesIn(kFormatFloatCases),
                         [](const ::testing::TestParamInfo<FormatCase>& p) { return std::string(p.param.name); });

const FormatCase kFloatToStrFCases[] = {
    {"TwelveAndAHalf", ',', "", 12.5, "12,50"},
    {"Whole", ',', "", 30, "30,00"},
    {"HalfACentRoundsUp", ',', "", 0.125, "0,13"},
    {"PointSeparator", '.', "", 12.5, "12.50"},
    {"TinyIsZero", ',', "", 1e-300, "0,00"},
    {"MoreThanFifteenDigitsFallBackToTheExponentForm", ',', "", 1e20, "1E20"},
    {"FifteenDigits", ',', "", 999999999999999.0, "999999999999999,00"},
    {"NegativeRoundsAwayFromZero", ',', "", -7.005, "-7,01"},
};

class FloatToStrFTable : public ::testing::TestWithParam<FormatCase> {};

TEST_P(FloatToStrFTable, FixedUsesFifteenDigitsThenTwoDecimals) {
    const FormatCase& c = GetParam();
    const DecimalSeparatorGuard sep(QLatin1Char(c.sep));
    EXPECT_EQ(FloatToStrF(c.value, TFloatFormat::ffFixed, 15, 2), QString::fromUtf8(c.text)) << c.value;
}

INSTANTIATE_TEST_SUITE_P(Table, FloatToStrFTable, ::testing::ValuesIn(kFloatToStrFCases),
                         [](const ::testing::TestParamInfo<FormatCase>& p) { return std::string(p.param.name); });

TEST(FloatToStrFTest, FixedSpellsNotANumberAndInfinity) {
    EXPECT_EQ(FloatToStrF(std::nan(""), TFloatFormat::ffFixed, 15, 2), QStringLiteral("NAN"));
    EXPECT_EQ(FloatToStrF(-HUGE_VAL, TFloatFormat::ffFixed, 15, 2), QStringLiteral("-INF"));
}

TEST_F(Separator, FloatToStrGeneral) {
    ASSERT_TRUE(separator_.Set(QLatin1Char(',')));
    EXPECT_EQ(FloatToStr(123.456), QStringLiteral("123,456"));
    EXPECT_EQ(FloatToStr(0.5), QStringLiteral("0,5"));
    EXPECT_EQ(FloatToStr(1.5e-5), QStringLiteral("1,5E-5"));
    EXPECT_EQ(FloatToStr(20), QStringLiteral("20"));
}

struct ParseCase {
    const char* name;
    char sep;
    const char* text;
    bool ok;
    double value;
};

void PrintTo(const ParseCase& c, std::ostream* os) { *os << c.name; }

const ParseCase kParseCases[] = {
    {"CommaDecimal", ',', "12,50", true, 12.5},
    {"Zero", ',', "0,00", true, 0},
    {"Blanks", ',', " 7 ", true, 7},
    {"Negative", ',', "-3,5", true, -3.5},
    {"PlusSign", ',', "+2", true, 2},
    {"Exponent", ',', "1E3", true, 1000},
    {"LeadingZero", ',', "05,12", true, 5.12},
    {"NoIntegerPart", ',', ",5", true, 0.5},
    {"PointUnderComma", ',', "12.50", false, 0},
    {"Letters", ',', "abc", false, 0},
    {"Empty", ',', "", false, 0},
    {"SeparatorAlone", ',', ",", false, 0},
    {"TwoSeparators", ',', "1,2,3", false, 0},
    {"ExponentWithoutDigits", ',', "1e", false, 0},
    {"ExponentOutOfRange", ',', "1e999", false, 0},
    {"NotANumber", ',', "NaN", false, 0},
    {"Infinity", ',', "INF", false, 0},
    {"BlankInside", ',', "1 000", false, 0},
    {"PointDecimal", '.', "12.50", true, 12.5},
    {"CommaUnderPoint", '.', "0,00", false, 0},
    {"ArabicIndicDigits", ',', "١٢", false, 0},
};

class StrToFloatTable : public ::testing::TestWithParam<ParseCase> {};

TEST_P(StrToFloatTable, FollowsTheCurrentSeparator) {
    const ParseCase& c = GetParam();
    const DecimalSeparatorGuard sep(QLatin1Char(c.sep));
    const QString text = QString::fromUtf8(c.text);
    double v = -1;
    EXPECT_EQ(TryStrToFloat(text, v), c.ok) << c.text;
    if (c.ok) {
        EXPECT_DOUBLE_EQ(StrToFloat(text), c.value) << c.text;
    } else {
        try {
            StrToFloat(text);
            ADD_FAILURE() << c.text << " parsed";
        } catch (const EConvertError& e) {
            EXPECT_TRUE(e.Message().contains(text)) << e.what();
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Table, StrToFloatTable, ::testing::ValuesIn(kParseCases),
                         [](const ::testing::TestParamInfo<ParseCase>& p) { return std::string(p.param.name); });

TEST(FormatTest, FillsPlaceholdersAndRejectsBadPatterns) {
    EXPECT_EQ(Format(QStringLiteral("Valor restante permitido: $%s"), {QStringLiteral("0,00")}),
              QStringLiteral("Valor restante permitido: $0,00"));
    EXPECT_EQ(Format(QStringLiteral("100%% de %s e %s"), {QStringLiteral("a"), QStringLiteral("b")}),
              QStringLiteral("100% de a e b"));
    EXPECT_THROW(Format(QStringLiteral("%s %s"), {QStringLiteral("a")}), EConvertError);
    EXPECT_THROW(Format(QStringLiteral("%d"), {QStringLiteral("1")}), EConvertError);
    EXPECT_THROW(Format(QStringLiteral("fim %"), {}), EConvertError);
}

TEST_F(Separator, VariantToDouble) {
    ASSERT_TRUE(separator_.Set(QLatin1Char(',')));
    EXPECT_EQ(Variant().ToDouble(), 0.0);
    EXPECT_EQ(Variant(200.0).ToDouble(), 200.0);
    EXPECT_EQ(Variant(std::int64_t{42}).ToDouble(), 42.0);
    EXPECT_EQ(Variant(QStringLiteral("12,5")).ToDouble(), 12.5);
}

struct BadVariantCase {
    const char* name;
    Variant value;
    const char* named;  // how the message names the value
};

void PrintTo(const BadVariantCase& c, std::ostream* os) { *os << c.name; }

const BadVariantCase kBadVariants[] = {
    {"Text", Variant(QStringLiteral("abc")), "\"abc\""},
    {"Null", Variant::Null(), "nulo"},
    {"Boolean", Variant(true), "lógico"},
    {"Bytes", Variant(QByteArray("xy")), "bytes"},
    {"TextWithAPoint", Variant(QStringLiteral("12.5")), "\"12.5\""},
};

class VariantToDoubleRefusal : public ::testing::TestWithParam<BadVariantCase> {};

TEST_P(VariantToDoubleRefusal, NamesTheValue) {
    const BadVariantCase& c = GetParam();
    const DecimalSeparatorGuard sep(QLatin1Char(','));
    try {
        c.value.ToDouble();
        ADD_FAILURE() << "converted " << c.value.Describe().toStdString();
    } catch (const EVariantTypeCastError& e) {
        EXPECT_TRUE(e.Message().contains(QString::fromUtf8(c.named))) << e.what();
    }
}

INSTANTIATE_TEST_SUITE_P(Table, VariantToDoubleRefusal, ::testing::ValuesIn(kBadVariants),
                         [](const ::testing::TestParamInfo<BadVariantCase>& p) { return std::string(p.param.name); });

TEST(VariantTest, ComparesWithTextExactly) {
    EXPECT_TRUE(Variant(QStringLiteral("Acrescimo")) == QStringLiteral("Acrescimo"));
    EXPECT_FALSE(Variant(QStringLiteral("acrescimo")) == QStringLiteral("Acrescimo"));
    EXPECT_FALSE(Variant(QStringLiteral(" Acrescimo")) == QStringLiteral("Acrescimo"));
    EXPECT_FALSE(Variant(1.0) == QStringLiteral("1"));
    EXPECT_FALSE(Variant::Null() == QString());
    EXPECT_FALSE(Variant() == QString());
    const Variant a(QByteArray("packet"));
    const Variant copy = a;
    EXPECT_EQ(copy, a);
    EXPECT_EQ(copy.AsBytes(), QByteArray("packet"));
}

TEST(MontaRodapeGeralTest, ShowsTheScreenCode) {
    EXPECT_EQ(dll::MontaRodapeGeral(true, QStringLiteral("ORV00006"), QStringLiteral("N")), QStringLiteral("Orv00006"));
}

TEST(AbortTest, IsASilentException) {
    try {
        Abort();
    } catch (const EAbort& e) {
        SUCCEED();
        return;
    }
    FAIL() << "Abort did not throw EAbort";
}

}  // namespace
