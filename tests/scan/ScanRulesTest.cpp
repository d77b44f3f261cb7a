#include <gtest/gtest.h>

#include "scan/ManualEntry.h"

namespace {

TEST(ManualChecks, InTheirOrder) {
    EXPECT_EQ(manual::check("", "", ""), "请输入发票代码！");
    EXPECT_EQ(manual::check("123456789", "", ""), "请输入正确的发票代码！");
    EXPECT_EQ(manual::check("1234567890123", "12345678", "张三"), "请输入正确的发票代码！");
    EXPECT_EQ(manual::check("1234567890", "", ""), "请输入发票号码！");
    EXPECT_EQ(manual::check("12345678901", "1234567", "张三"), "请输入正确的发票号码！");
    EXPECT_EQ(manual::check("123456789012", "123456789", "张三"), "请输入正确的发票号码！");
    EXPECT_EQ(manual::check("123456789012", "12345678", ""), "请选择报销人！");
    EXPECT_EQ(manual::check("1234567890", "12345678", "张三"), "");
    EXPECT_EQ(manual::check("044031900111", "23442000000014209621", "张三"), "");
}

TEST(ManualChecks, AFullyDigitalInvoiceNeedsNoCode) {
    EXPECT_EQ(manual::check("", "23442000000014209621", "张三"), "");
    EXPECT_EQ(manual::check("", "23442000000014209621", ""), "请选择报销人！");
    EXPECT_EQ(manual::check("", "2344200000001420962", "张三"), "请输入发票代码！");
    EXPECT_EQ(manual::check("", "12345678", "张三"), "请输入发票代码！");
}

}  // namespace
