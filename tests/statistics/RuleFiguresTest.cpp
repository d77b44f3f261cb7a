#include <gtest/gtest.h>

#include "base/TextCodec.h"
#include "statistics/RuleFigures.h"

namespace {

// Refusals and warnings per month and rule, from the trail's counted notes: a line naming two
// rules counts for both, lines of other actions for none, the rules in their own order.
TEST(RuleFigures, CountsEachRuleOfEachLinePerMonth) {
    RuleNoteCounts counts;
    counts.rows = {
        {"2024-03", "拒绝登记", "最长天数：开票日期2023-01-01距报销日已455天，超过最长天数90天", 2},
        {"2024-03", "拒绝登记",
         "晚于今天：开票日期2024-03-09晚于本机日期2024-03-08；红字发票：红字发票（金额-1.00）", 1},
        {"2024-03", "登记", "红字发票：红字发票（金额-2.00）", 4},
        {"2024-03", "撤销报销", "红字发票：红字发票（金额-2.00）", 7},
        {"2024-04", "登记", "金额上限：金额12000.00达到上限10000.00，已确认", 1},
    };
    EXPECT_EQ(rulefigures::tally(counts), (QList<rulefigures::Row>{{"2024-03", "晚于今天", 1, 0},
                                                                   {"2024-03", "最长天数", 2, 0},
                                                                   {"2024-03", "红字发票", 1, 4},
                                                                   {"2024-04", "金额上限", 0, 1}}));
    EXPECT_EQ(textcodec::fromGbk(rulefigures::csv(rulefigures::tally(counts))),
              "月份,核销规则,拒绝,提示\r\n2024-03,晚于今天,1,0\r\n2024-03,最长天数,2,0\r\n"
              "2024-03,红字发票,1,4\r\n2024-04,金额上限,0,1\r\n合计,,4,5\r\n");
}

}  // namespace
