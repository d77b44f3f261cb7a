#include <gtest/gtest.h>

#include "InvoiceFileTesting.h"
#include "invoicefiles/FieldText.h"

using namespace invoicefiles;

TEST(FieldTextTest, DatesInEveryPrintedFormBecomeYearMonthDay) {
    EXPECT_EQ(dateAsYmd("2024年02月08日"), "20240208");
    EXPECT_EQ(dateAsYmd("2024年2月8日"), "20240208");
    EXPECT_EQ(dateAsYmd(" 2024 年 02 月 08 日 "), "20240208");
    EXPECT_EQ(dateAsYmd("2024-02-08"), "20240208");
    EXPECT_EQ(dateAsYmd("2024/2/8"), "20240208");
    EXPECT_EQ(dateAsYmd("2024.02.08"), "20240208");
    EXPECT_EQ(dateAsYmd("20240208"), "20240208");
    EXPECT_EQ(dateAsYmd("2024-02-29"), "20240229");
}

TEST(FieldTextTest, ImpossibleOrForeignDatesGiveNothing) {
    EXPECT_EQ(dateAsYmd("2023-02-29"), "");
    EXPECT_EQ(dateAsYmd("20241301"), "");
    EXPECT_EQ(dateAsYmd("2024年02月"), "");
    EXPECT_EQ(dateAsYmd("202402081"), "");
    EXPECT_EQ(dateAsYmd("2024-02-08T10:00:00"), "");
    EXPECT_EQ(dateAsYmd(""), "");
}

TEST(FieldTextTest, AmountsLoseCurrencySignsSeparatorsAndBlanks) {
    EXPECT_EQ(amountText("¥1,234.50"), "1234.50");
    EXPECT_EQ(amountText("￥ 100.00"), "100.00");
    EXPECT_EQ(amountText("-100.00"), "-100.00");
    EXPECT_EQ(amountText("¥-100.00"), "-100.00");
    EXPECT_EQ(amountText("-¥100.00"), "-100.00");
    EXPECT_EQ(amountText("666"), "666");
    EXPECT_EQ(amountText("壹佰元整"), "");
    EXPECT_EQ(amountText("100.00元"), "");
    EXPECT_EQ(amountText("***"), "");
}

TEST(FieldTextTest, CodesKeepTheirDigitsOnly) {
    EXPECT_EQ(digitsOnly("12345 67890 12345 67890"), "12345678901234567890");
    EXPECT_EQ(digitsOnly("044031900111"), "044031900111");
    EXPECT_EQ(digitsOnly("04403190011A"), "");
    EXPECT_EQ(digitsOnly(""), "");
}

TEST(FieldTextTest, InvoicePayloadsStartWithTheVersionAndHaveSevenItems) {
    EXPECT_TRUE(looksLikeInvoicePayload(
        "01,10,044031900111,12345678,100.00,20200101,12345678901234567890,ABCD,"));
    EXPECT_TRUE(looksLikeInvoicePayload("01,32,,23442000000014209621,112,20230215,,74AE"));
    EXPECT_TRUE(looksLikeInvoicePayload("01,32,,1,2,3,"));
    EXPECT_FALSE(looksLikeInvoicePayload("01,32,,1,2,3"));
    EXPECT_FALSE(looksLikeInvoicePayload("02,10,044031900111,12345678,100.00,20200101,1,A"));
    EXPECT_FALSE(looksLikeInvoicePayload("https://inv.example.invalid/?a=01,10,1,2,3,4,5,6"));
    EXPECT_FALSE(looksLikeInvoicePayload("CN2023070512345"));
}

TEST(FieldTextTest, FieldsNameAnInvoiceWithNumberAndCodeOrTwentyDigits) {
    EXPECT_TRUE(namesInvoice({"044031900111", "12345678", "", "", ""}));
    EXPECT_TRUE(namesInvoice({"", "24442000000123456789", "20240208", "666.00", ""}));
    EXPECT_FALSE(namesInvoice({"", "12345678", "20240208", "100.00", ""}));
    EXPECT_FALSE(namesInvoice({"044031900111", "", "20240208", "100.00", ""}));
    EXPECT_FALSE(namesInvoice({"", "2444200000012345678", "", "", ""}));
    EXPECT_FALSE(namesInvoice({"04403190011A", "12345678", "", "", ""}));
}

TEST(FieldTextTest, ReadingsCarryTheirSourceAndTheClerksReason) {
    const FileReading qr = fromPayload("01,32,,1,2,3,", "PDF第1页二维码");
    EXPECT_EQ(qr.source, Source::QrCode);
    EXPECT_TRUE(qr.hasInvoice());
    EXPECT_EQ(qr.reason(), "");

    const FileReading halfFilled = fromFields({"", "12345678", "20240208", "1.00", ""}, "x");
    EXPECT_EQ(halfFilled.source, Source::None);
    EXPECT_EQ(halfFilled.problem, Problem::NoInvoiceFound);
    EXPECT_EQ(halfFilled.fields, InvoiceFields());
    EXPECT_EQ(halfFilled.reason(), "文件中未找到发票二维码或发票信息");

    EXPECT_EQ(failure(Problem::Damaged).reason(), "文件已损坏");
    EXPECT_EQ(failure(Problem::Encrypted).reason(), "文件已加密，无法读取");
    EXPECT_EQ(failure(Problem::NotInvoiceFile).reason(), "不是PDF或OFD发票文件");
    EXPECT_EQ(failure(Problem::TooLarge).reason(), "文件过大，超出读取限制");
    EXPECT_EQ(failure(Problem::Empty).reason(), "文件是空的");
    EXPECT_EQ(failure(Problem::Unreadable).reason(), "无法打开文件");
}
