#include <gtest/gtest.h>

#include "InvoiceFileTesting.h"
#include "invoicefiles/InvoiceParties.h"
#include "invoicefiles/TextLayerFields.h"

using namespace invoicefiles;

namespace {

// A run of 9-point text whose box starts at (x, top).
TextRun run(const QString& text, double x, double top, double width = 40) {
    return {text, QRectF(x, top, width, 9)};
}

}  // namespace

// Runs apart by up to a third of the line height are joined as they are, farther ones with a blank.
TEST(TextLayerFieldsTest, RunsFormLinesByPositionNotByDrawingOrder) {
    const std::vector<QString> lines = textLines({
        run("12345678", 516, 51, 40),
        run("第二行", 10, 70),
        run("发票号码：", 470, 50, 45),
        run("标题", 10, 20),
        run("合", 10, 90, 9),
        run("计", 40, 90.5, 9),
    });
    EXPECT_EQ(lines, (std::vector<QString>{"标题", "发票号码：12345678", "第二行", "合 计"}));
}

TEST(TextLayerFieldsTest, LabelledFieldsOfAnInvoicePage) {
    const std::vector<QString> lines = {
        "电子发票（普通发票）",
        "发票代码：044031900111",
        "发票号码：12345678",
        "开票日期：2020年01月01日",
        "校 验 码：12345 67890 12345 67890",
        "合　　计 ¥100.00 ¥13.00",
        "价税合计（大写） ⓧ壹佰壹拾叁圆整 （小写）¥113.00",
    };
    EXPECT_EQ(fieldsFromLines(lines), (InvoiceFields{"044031900111", "12345678", "20200101",
                                                     "100.00", "12345678901234567890"}));
}

TEST(TextLayerFieldsTest, WithoutTheAmountBeforeTaxTheTotalWithTaxIsTaken) {
    const std::vector<QString> lines = {
        "发票号码:24442000000123456789",
        "开票日期: 2024-02-08",
        "价税合计（大写）陆佰陆拾陆圆整 （小写） ¥ 666.00",
    };
    EXPECT_EQ(fieldsFromLines(lines),
              (InvoiceFields{"", "24442000000123456789", "20240208", "666.00", ""}));
}

TEST(TextLayerFieldsTest, ValuesMustHaveTheirFullLength) {
    // A 9-digit number is neither an 8-digit nor a 20-digit one; an 11-digit code is no code.
    const std::vector<QString> lines = {"发票代码：04403190011", "发票号码：123456789",
                                        "校验码：1234567890", "合计 100.00"};
    EXPECT_EQ(fieldsFromLines(lines), InvoiceFields());
}

TEST(TextLayerFieldsTest, NothingLabelledGivesEmptyFields) {
    EXPECT_EQ(fieldsFromLines({"会议通知", "联系电话：12345678", "合计三人"}), InvoiceFields());
    EXPECT_EQ(fieldsFromTextRuns({}), InvoiceFields());
}

// The buyer and the seller: named by 购买方 or 销售方 before them on their line, or else the
// buyer first, as both layouts print it.
TEST(TextLayerFieldsTest, PartiesAreTheBuyerFirstUnlessTheLineNamesThem) {
    struct Case {
        const char* name;
        std::vector<QString> lines;
        Parties parties;
    };
    for (const Case& c : {
             Case{"side by side on one line",
                  {"购买方信息 名称：甲公司 销售方信息 名称：乙公司",
                   "统一社会信用代码/纳税人识别号：91110108MA01ABCD2X "
                   "统一社会信用代码/纳税人识别号：91310115MA1K4ABC9X"},
                  {"甲公司", "91110108MA01ABCD2X", "乙公司", "91310115MA1K4ABC9X"}},
             Case{"one above the other, labels spread",
                  {"名 称：甲公司", "纳 税 人 识 别 号：91110108MA01ABCD2X", "项目名称 金额",
                   "名　称：乙公司"},
                  {"甲公司", "91110108MA01ABCD2X", "乙公司", ""}},
             Case{"the seller named although it comes first",
                  {"销售方 名称：乙公司", "购买方 纳税人识别号：91110108MA01ABCD2X"},
                  {"", "91110108MA01ABCD2X", "乙公司", ""}},
         }) {
        EXPECT_EQ(partiesFromLines(c.lines), c.parties) << c.name;
    }
}
