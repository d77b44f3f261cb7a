#include <gtest/gtest.h>

#include "base/TextCodec.h"
#include "statistics/ClaimFigures.h"

namespace {

TEST(ClaimFiguresTest, AveragesRoundedFromTheExactQuotient) {
    const struct {
        qint64 invoices, claims;
        const char* shown;
    } cases[] = {{0, 0, "0.0"},  {5, 3, "1.7"}, {1, 8, "0.1"},   {1, 20, "0.1"},
                 {1, 21, "0.0"}, {7, 2, "3.5"}, {200, 3, "66.7"}};
    for (const auto& c : cases) {
        EXPECT_EQ(claimfigures::average(c.invoices, c.claims), c.shown)
            << c.invoices << "/" << c.claims;
    }
}

TEST(ClaimFiguresTest, RowsWithTheirTotalsAsShownAndExported) {
    const QList<ClaimFigure> rows = {{"2024-03", "张三", 2, 5, 1003000},
                                     {"2024-03", "", 1, 0, 0},
                                     {"2024-04", "张三", 1, 4, 12345}};
    const QByteArray csv = claimfigures::csv(rows);
    EXPECT_EQ(textcodec::fromGbk(csv),
              "月份,报销人,报销单数,发票张数,平均每单张数,金额合计\r\n"
              "2024-03,张三,2,5,2.5,100.30\r\n"
              "2024-03,（未填写）,1,0,0.0,0.00\r\n"
              "2024-04,张三,1,4,4.0,1.2345\r\n"
              "合计,,4,9,2.3,101.5345\r\n");
}

}  // namespace
