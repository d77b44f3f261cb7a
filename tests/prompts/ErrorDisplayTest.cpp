#include <gtest/gtest.h>

#include <stdexcept>

#include "FakePrompts.h"
#include "base/AppError.h"
#include "prompts/ErrorDisplay.h"

namespace {

TEST(TopLevelErrorText, AddsAStopAfterCharactersThatSortAfterIt) {
    EXPECT_EQ(topLevelErrorText("Unable to write to /x/config.ini"),
              "Unable to write to /x/config.ini.");
    EXPECT_EQ(topLevelErrorText("done!"), "done!");
    EXPECT_EQ(topLevelErrorText("trailing "), "trailing ");
    EXPECT_EQ(topLevelErrorText("ends."), "ends.");
    EXPECT_EQ(topLevelErrorText("v1"), "v1.");
    EXPECT_EQ(topLevelErrorText("path/"), "path/.");
    EXPECT_EQ(topLevelErrorText("失败！"), "失败！.");
    EXPECT_EQ(topLevelErrorText("数据库错误"), "数据库错误.");
    EXPECT_EQ(topLevelErrorText(""), "");
}

TEST(RunGuarded, ShowsErrorsWithTheTitleAndStopIconButNotSilentAborts) {
    FakePrompts prompts;
    EXPECT_TRUE(runGuarded([] {}));
    EXPECT_FALSE(runGuarded([] { throw SilentAbort(); }));
    EXPECT_TRUE(prompts.calls().isEmpty());

    EXPECT_FALSE(runGuarded([] { throw AppError("'12.3x' is not a valid floating point value"); }));
    EXPECT_FALSE(runGuarded([] { throw std::runtime_error("boom"); }));
    EXPECT_FALSE(runGuarded([] { throw 42; }));
    const auto calls = prompts.messages();
    ASSERT_EQ(calls.size(), 3);
    EXPECT_EQ(calls[0].caption, "Velmora电子发票核销软件");
    EXPECT_EQ(calls[0].icon, MsgIcon::Stop);
    EXPECT_EQ(calls[0].text, "'12.3x' is not a valid floating point value.");
    EXPECT_EQ(calls[1].text, "boom.");
    EXPECT_EQ(calls[2].text, "");
}

}  // namespace
