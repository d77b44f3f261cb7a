#include <gtest/gtest.h>

#include "TempExeDir.h"
#include "store/Database.h"
#include "store/DatabaseFile.h"
#include "store/SqlFunctions.h"

namespace {

TEST(FormatFunction, WritesStoredTimesWithJetPatterns) {
    EXPECT_EQ(formatStoredDateTime("2024-01-31 13:05:09", "yyyy-MM-dd"), "2024-01-31");
    EXPECT_EQ(formatStoredDateTime("2024-01-31 13:05:09", "yyyymmdd"), "20240131");
    EXPECT_EQ(formatStoredDateTime("2024-03-05 07:08:09", "yyyy-m-d hh:nn:ss"),
              "2024-3-5 07:08:09");
    EXPECT_EQ(formatStoredDateTime("2024-03-05 07:08:09", "hh:mm"), "07:08");
    EXPECT_EQ(formatStoredDateTime("not a time", "yyyy"), "not a time");
}

TEST(FormatFunction, IsAvailableOnEveryConnection) {
    TempExeDir dir;
    Database db = Database::open(GetConnectionString());
    Statement s = db.prepare(
        "select format('2024-01-31 13:05:09','yyyy-MM-dd'), format(null,'yyyy'), "
        "iif(0=0,'扫描','手工录入')");
    ASSERT_TRUE(s.step());
    EXPECT_EQ(s.text(0), "2024-01-31");
    EXPECT_TRUE(s.isNull(1));
    EXPECT_EQ(s.text(2), "扫描");
}

}  // namespace
