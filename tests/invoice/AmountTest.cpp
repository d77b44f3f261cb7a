#include <gtest/gtest.h>

#include <limits>

#include "base/AppError.h"
#include "invoice/Amount.h"

namespace {

qint64 units(const char* text) {
    return *amount::fromText(QString::fromUtf8(text), "开票金额");
}

TEST(AmountFromText, ReadsDecimalTextsExactly) {
    EXPECT_EQ(units("100.00"), 1000000);
    EXPECT_EQ(units("123.5"), 1235000);
    EXPECT_EQ(units("0.05"), 500);
    EXPECT_EQ(units("-3"), -30000);
    EXPECT_EQ(units(" 7 "), 70000);
    EXPECT_EQ(units("1.5e2"), 1500000);
    EXPECT_EQ(units(".5"), 5000);
    EXPECT_EQ(units("0.00"), 0);
    EXPECT_EQ(units("99999999999999.9999"), 999999999999999999LL);
    // past four decimals: half away from zero
    EXPECT_EQ(units("0.00005"), 1);
    EXPECT_EQ(units("0.00004"), 0);
    EXPECT_EQ(units("-1.23456"), -12346);
}

TEST(AmountFromText, EmptyIsNull) {
    EXPECT_FALSE(amount::fromText("", "开票金额").has_value());
}

TEST(AmountFromText, RefusesWhatIsNoNumberNamingTextAndField) {
    for (const char* bad : {"12.3x", "abc", "1,000.00", "1.2.3", "-", "e5", "  ", "1e", "１２"}) {
        try {
            amount::fromText(QString::fromUtf8(bad), "开票金额");
            ADD_FAILURE() << bad;
        } catch (const AppError& error) {
            EXPECT_EQ(
                error.message(),
                QStringLiteral("'%1' is not a valid floating point value for field '开票金额'")
                    .arg(QString::fromUtf8(bad)));
        }
    }
    EXPECT_THROW(amount::fromText("100000000000000", "开票金额"), AppError);
    EXPECT_THROW(amount::fromText("1e300", "开票金额"), AppError);
}

TEST(AmountToShortestText, DropsTrailingZerosAndBareSeparator) {
    EXPECT_EQ(amount::toShortestText(1235000), "123.5");
    EXPECT_EQ(amount::toShortestText(1000000), "100");
    EXPECT_EQ(amount::toShortestText(500), "0.05");
    EXPECT_EQ(amount::toShortestText(0), "0");
    EXPECT_EQ(amount::toShortestText(-12346), "-1.2346");
    EXPECT_EQ(amount::toShortestText(-5000), "-0.5");
    EXPECT_EQ(amount::toShortestText(1), "0.0001");
    EXPECT_EQ(amount::toShortestText(10001), "1.0001");
    EXPECT_EQ(amount::toShortestText(std::numeric_limits<qint64>::max()), "922337203685477.5807");
    EXPECT_EQ(amount::toShortestText(std::numeric_limits<qint64>::min()), "-922337203685477.5808");
    EXPECT_DOUBLE_EQ(amount::toDouble(1235000), 123.5);
}

}  // namespace
