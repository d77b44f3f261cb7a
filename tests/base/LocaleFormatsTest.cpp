#include <gtest/gtest.h>

#include "base/LocaleFormats.h"

namespace {

QString display(const char* stored) {
    const std::optional<localefmt::WallClock> value =
        localefmt::readStorageText(QByteArray(stored));
    if (!value) {
        return QStringLiteral("<not a time>");
    }
    char out[localefmt::kMaxDisplayLength];
    return QString::fromLatin1(out, localefmt::writeDisplay(*value, out));
}

TEST(StoredTime, ReadsOnlyWholeValidTimesInTheStorageForm) {
    EXPECT_EQ(display("2024-03-05 09:05:07"), "2024/3/5 9:05:07");
    EXPECT_EQ(display("2024-12-31 23:59:59"), "2024/12/31 23:59:59");
    EXPECT_EQ(display("2024-02-29 12:00:00"), "2024/2/29 12:00:00");  // a leap day
    EXPECT_EQ(display("0999-01-01 00:00:01"), "0999/1/1 0:00:01");
    for (const char* bad :
         {"2023-02-29 12:00:00", "2024-13-01 00:00:00", "2024-00-10 00:00:00",
          "2024-03-05 24:00:00", "2024-03-05 23:60:00", "0000-01-01 00:00:00", "2024-03-05",
          "2024-03-05 9:05:07", "2024/03/05 09:05:07", "2024-03-05 09:05:07 ",
          "2024-03-05T09:05:07", "２０２４-03-05 09:05:07"}) {
        EXPECT_EQ(display(bad), "<not a time>") << bad;
    }
    // The same reading from UTF-16 text.
    EXPECT_TRUE(localefmt::readStorageText(QStringLiteral("2024-03-05 09:05:07")).has_value());
    EXPECT_FALSE(localefmt::readStorageText(QStringLiteral("2024-03-05 09:05:0７")).has_value());
}

TEST(StoredTime, MidnightShowsTheDateAlone) {
    EXPECT_EQ(display("2024-03-05 00:00:00"), "2024/3/5");
    EXPECT_EQ(display("2024-03-05 00:00:01"), "2024/3/5 0:00:01");
    EXPECT_EQ(display("2024-03-05 00:01:00"), "2024/3/5 0:01:00");
    // The date-time form agrees, milliseconds apart.
    EXPECT_EQ(localefmt::dateTimeDisplay(QDateTime(QDate(2024, 3, 5), QTime(0, 0, 0, 500))),
              "2024/3/5");
    EXPECT_EQ(localefmt::dateTimeDisplay(QDateTime(QDate(2024, 10, 15), QTime(8, 7, 6))),
              "2024/10/15 8:07:06");
}

// A workbook's 报销时间 as the clerk's locale writes it, read field by field.
TEST(LocaleDateTime, ReadsTheLocaleFormsAndNothingElse) {
    const struct {
        const char* text;
        const char* read;  // yyyy-MM-dd HH:mm:ss, or "" when refused
    } cases[] = {
        {"2024/1/31 13:05:09", "2024-01-31 13:05:09"},
        {"  2024-1-31\t13:05 \r\n", "2024-01-31 13:05:00"},
        {"2024/01/31", "2024-01-31 00:00:00"},
        {"999/1/2 3:04:05", "0999-01-02 03:04:05"},
        {"2024/1-31 0:0:0", "2024-01-31 00:00:00"},  // mixed separators, as before
        {"2023/2/29 12:00:00", ""},
        {"2024/1/31 24:00:00", ""},
        {"12024/1/31", ""},
        {"2024/1/311", ""},
        {"2024/1/3113:05", ""},
        {"2024/1/31 13", ""},
        {"2024/1/31 13:05:", ""},
        {"2024/1/31 13:05:09 x", ""},
        {"2024.1.31", ""},
        {"２０２４/1/31", ""},
        {"", ""},
    };
    for (const auto& c : cases) {
        const std::optional<QDateTime> read = localefmt::parseDateTime(QString::fromUtf8(c.text));
        EXPECT_EQ(read ? localefmt::storageText(*read) : QString(), QString::fromUtf8(c.read))
            << c.text;
    }
    EXPECT_EQ(localefmt::storageText(QDateTime()), QString());
}

}  // namespace
