#include <gtest/gtest.h>

#include "claims/ChineseAmount.h"
#include "claims/ClaimSheet.h"
#include "claims/ClaimTotal.h"
#include "invoice/ClaimNumber.h"

namespace {

// Amounts in ten-thousandths of a yuan, as the store keeps them.
TEST(ChineseAmountTest, CapitalsAsAChequeWritesThem) {
    const struct {
        qint64 units;
        const char* capitals;
    } cases[] = {
        {0, "零元整"},
        {500, "伍分"},                                                    // 0.05
        {10000, "壹元整"},                                                // 1.00
        {101000, "壹拾元壹角整"},                                         // 10.10
        {10500, "壹元零伍分"},                                            // 1.05
        {5000, "伍角整"},                                                 // 0.50
        {123456700, "壹万贰仟叁佰肆拾伍元陆角柒分"},                      // 12,345.67
        {1000010100, "壹拾万零壹元零壹分"},                               // 100,001.01
        {10100000, "壹仟零壹拾元整"},                                     // 1,010.00
        {100000000000, "壹仟万元整"},                                     // 10,000,000.00
        {200000030000, "贰仟万零叁元整"},                                 // 20,000,003.00
        {1000100000000, "壹亿零壹万元整"},                                // 100,010,000.00
        {1001000000000, "壹亿零壹拾万元整"},                              // 100,100,000.00
        {1100000000000, "壹亿壹仟万元整"},                                // 110,000,000.00
        {10000000000000, "壹拾亿元整"},                                   // 1,000,000,000.00
        {1234567891200, "壹亿贰仟叁佰肆拾伍万陆仟柒佰捌拾玖元壹角贰分"},  // 123,456,789.12
        {10000000000000000, "壹万亿元整"},                                // 1,000,000,000,000.00
        // The largest amount of two decimals the column holds, and the largest of four.
        {999999999999999900, "玖拾玖万玖仟玖佰玖拾玖亿玖仟玖佰玖拾玖万玖仟玖佰玖拾玖元玖角玖分"},
        {999999999999999999, "壹佰万亿元整"},
        // Past the fen, half away from zero.
        {49, "零元整"},
        {50, "壹分"},
        {-35000, "负叁元伍角整"},
        {-49, "零元整"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(claims::chineseCapitals(c.units), QString::fromUtf8(c.capitals)) << c.units;
    }
}

TEST(ClaimTotalTest, AddsExactlyWhereBinaryFloatsDrift) {
    claims::RunningTotal total;
    double drifting = 0;
    for (int i = 0; i < 10000; ++i) {
        ASSERT_TRUE(total.add(QStringLiteral("0.01")));
        drifting += 0.01;
    }
    total.add(QStringLiteral("0.10"));
    total.add(QStringLiteral("0.20"));
    drifting += 0.1 + 0.2;
    EXPECT_NE(drifting, 100.30);  // what a float would have shown
    EXPECT_EQ(total.count(), 10002);
    EXPECT_EQ(total.units(), 1003000);  // 100.30
    EXPECT_EQ(claims::chineseCapitals(total.units()), "壹佰元叁角整");
}

TEST(ClaimTotalTest, ATotalPastTheAmountsRangeIsRefusedNotWrapped) {
    claims::RunningTotal total;
    ASSERT_TRUE(total.add(std::optional<qint64>(999999999999999999)));
    for (int i = 0; i < 8; ++i) {
        ASSERT_TRUE(total.add(std::optional<qint64>(999999999999999999)));
    }
    EXPECT_FALSE(total.add(std::optional<qint64>(999999999999999999)));
    EXPECT_EQ(total.count(), 9);
    EXPECT_EQ(total.units(), 8999999999999999991);
    // An amount that is no number counts the invoice and adds nothing.
    EXPECT_TRUE(total.add(QStringLiteral("abc")));
    EXPECT_EQ(total.count(), 10);
}

TEST(ClaimNumberTest, BxTheDayAndFourDigits) {
    const QDate day(2023, 12, 1);
    EXPECT_EQ(claimnumber::make(day, 1), "BX202312010001");
    EXPECT_EQ(claimnumber::make(day, 9999), "BX202312019999");
    EXPECT_EQ(claimnumber::make(day, 10000), "");  // never five digits, never cut to four
    EXPECT_EQ(claimnumber::make(day, 0), "");
    EXPECT_TRUE(claimnumber::isNumber("BX202312010001"));
    for (const char* wrong : {"BX202312010000", "BX202302300001", "BX20231201001", "bx202312010001",
                              "BX2023120100a1"}) {
        EXPECT_FALSE(claimnumber::isNumber(wrong)) << wrong;
    }
}

TEST(ClaimSheetTest, SaysEveryInvoiceAndTheTotalInBothForms) {
    StoredClaim claim;
    claim.number = "BX202312010002";
    claim.reimburser = "张三";
    claim.openedAt = QDateTime(QDate(2023, 12, 1), QTime(9, 0));
    claim.closedAt = QDateTime(QDate(2023, 12, 2), QTime(10, 0));
    claim.invoices = {{"10", "044031900111", "00000011", "20231201", 500000},
                      {"", "", "23312000000012345678", "20231130", 12345678900},
                      {"99", "1100", "7", "2023", std::nullopt}};
    const claims::SheetContent sheet = claims::sheetContent(claim, "", "91110108MA01ABCD2X");
    EXPECT_EQ(sheet.company, "税号：91110108MA01ABCD2X");
    EXPECT_EQ(sheet.date, "2023-12-02");
    ASSERT_EQ(sheet.rows.size(), 3);
    EXPECT_EQ(sheet.rows[0].join('|'),
              "1|增值税电子普通发票|044031900111|00000011|2023-12-01|50.00");
    EXPECT_EQ(sheet.rows[1].join('|'), "2||数电票|23312000000012345678|2023-11-30|1,234,567.89");
    EXPECT_EQ(sheet.rows[2].join('|'), "3|99|1100|7|2023|");
    EXPECT_EQ(sheet.count, "共 3 张");
    EXPECT_EQ(sheet.totalFigures, "￥1,234,617.89");
    EXPECT_EQ(sheet.totalCapitals, "壹佰贰拾叁万肆仟陆佰壹拾柒元捌角玖分");
    EXPECT_EQ(claims::sheetPath("/data/9111", claim.number),
              "/data/9111/报销单/202312/BX202312010002.pdf");
}

}  // namespace
