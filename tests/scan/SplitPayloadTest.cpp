#include <gtest/gtest.h>

#include "scan/ScanPayload.h"

namespace {

QStringList split(const QString& text) {
    QStringList list{"left over"};
    SplitPayload(text, list);
    return list;
}

TEST(SplitPayload, AnInvoicePayloadWithItsLineBreak) {
    EXPECT_EQ(split("01,10,044031900111,12345678,100.00,20200101,12345678901234567890,ABCD\n"),
              (QStringList{"01", "10", "044031900111", "12345678", "100.00", "20200101",
                           "12345678901234567890", "ABCD"}));
    EXPECT_EQ(split("01,32,,23442000000014209621,112,20230215,,74AE\n"),
              (QStringList{"01", "32", "", "23442000000014209621", "112", "20230215", "", "74AE"}));
}

TEST(SplitPayload, CommasBlanksAndControlCharacters) {
    EXPECT_EQ(split("a,,b"), (QStringList{"a", "", "b"}));
    EXPECT_EQ(split("a, b"), (QStringList{"a", "b"}));
    EXPECT_EQ(split("a b"), (QStringList{"a", "b"}));
    EXPECT_EQ(split("a,"), (QStringList{"a", ""}));
    EXPECT_EQ(split("a, "), (QStringList{"a"}));  // the comma is not the last character
    EXPECT_EQ(split(" \t\r\nabc\r\n"), (QStringList{"abc"}));
    EXPECT_EQ(split(",a"), (QStringList{"", "a"}));
    EXPECT_EQ(split("0440 31900111,x"), (QStringList{"0440", "31900111", "x"}));
    EXPECT_TRUE(split("").isEmpty());
    EXPECT_TRUE(split(" \n").isEmpty());
}

TEST(SplitPayload, QuotedItems) {
    EXPECT_EQ(split("\"a,b\",c"), (QStringList{"a,b", "c"}));
    EXPECT_EQ(split("\"say \"\"hi\"\"\", x"), (QStringList{"say \"hi\"", "x"}));
    EXPECT_EQ(split("\"\",b"), (QStringList{"", "b"}));
    EXPECT_EQ(split("\"a\"b,c"), (QStringList{"a", "b", "c"}));
    EXPECT_EQ(split("x\"y,z"), (QStringList{"x\"y", "z"}));  // a quote inside an item is kept
    EXPECT_EQ(split("a,\"open to the end"), (QStringList{"a", "open to the end"}));
}

TEST(SplitPayload, ChineseTextBelongsToItemsAndNulEndsTheText) {
    EXPECT_EQ(split("发票,代码 号码"), (QStringList{"发票", "代码", "号码"}));
    EXPECT_EQ(split(QString::fromUtf16(u"a,b\0,c", 6)), (QStringList{"a", "b"}));
}

}  // namespace
