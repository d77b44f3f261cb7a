#include <gtest/gtest.h>

#include "mainwindow/ManualEntry.h"
#include "mainwindow/ScanProcessing.h"

namespace {

const QStringList kInvoice{"01",     "10",       "044031900111",         "12345678",
                           "100.00", "20200101", "12345678901234567890", "ABCD"};

TEST(ScanDecision, NothingHappensBeforeTheScanIsComplete) {
    EXPECT_EQ(scan::decide(kInvoice, false).action, scan::Action::Wait);
    EXPECT_EQ(scan::decide({"ABC123"}, false).action, scan::Action::Wait);
}

TEST(ScanDecision, ACompleteInvoiceIsRegisteredWithItemsTwoToSix) {
    const scan::Decision d = scan::decide(kInvoice, true);
    EXPECT_EQ(d.action, scan::Action::Register);
    EXPECT_EQ(d.items.code, "044031900111");
    EXPECT_EQ(d.items.number, "12345678");
    EXPECT_EQ(d.items.amount, "100.00");
    EXPECT_EQ(d.items.date, "20200101");
    EXPECT_EQ(d.items.checkCode, "12345678901234567890");
}

TEST(ScanDecision, FewerThanSevenItemsIsNoInvoice) {
    EXPECT_EQ(scan::decide({"ABC123"}, true).action, scan::Action::NotInvoice);
    EXPECT_EQ(scan::decide({"1", "2", "3", "4", "5", "6"}, true).action, scan::Action::NotInvoice);
    EXPECT_EQ(scan::decide({"1", "2", "3", "4", "5", "6", ""}, true).action,
              scan::Action::Register);
}

TEST(ScanDecision, MissingCodeOrNumber) {
    QStringList noCode = kInvoice;
    noCode[2].clear();
    EXPECT_EQ(scan::decide(noCode, true).action, scan::Action::Drop);
    QStringList noNumber = kInvoice;
    noNumber[3].clear();
    EXPECT_EQ(scan::decide(noNumber, true).action, scan::Action::Drop);
    QStringList digital{"01", "32", "", "23442000000014209621", "112", "20230215", "", "74AE"};
    EXPECT_EQ(scan::decide(digital, true).action, scan::Action::Register);
    digital[3] = "2344200000001420962";  // 19 digits
    EXPECT_EQ(scan::decide(digital, true).action, scan::Action::Drop);
    digital[3] = "2344200000001420962X";  // 20 characters, not all digits
    EXPECT_EQ(scan::decide(digital, true).action, scan::Action::Drop);
}

TEST(ReturnToWaiting, TheFourthTickAfterArmingReturns) {
    scan::ReturnToWaiting w;
    EXPECT_FALSE(w.tick());  // not armed
    w.arm();
    EXPECT_FALSE(w.tick());
    EXPECT_FALSE(w.tick());
    w.arm();  // a new outcome counts afresh
    EXPECT_FALSE(w.tick());
    EXPECT_FALSE(w.tick());
    EXPECT_FALSE(w.tick());
    EXPECT_TRUE(w.tick());
    EXPECT_FALSE(w.armed());
    EXPECT_FALSE(w.tick());
}

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

TEST(ManualChecks, OnlyDigitsAndBackspaceMayBeTyped) {
    EXPECT_TRUE(manual::isAllowedCharacter(u'0'));
    EXPECT_TRUE(manual::isAllowedCharacter(u'9'));
    EXPECT_TRUE(manual::isAllowedCharacter(u'\b'));
    EXPECT_FALSE(manual::isAllowedCharacter(u'a'));
    EXPECT_FALSE(manual::isAllowedCharacter(QChar(0x16)));  // Ctrl+V
    EXPECT_FALSE(manual::isAllowedCharacter(u'１'));        // a full-width digit
}

}  // namespace
