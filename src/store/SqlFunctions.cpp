#include "store/SqlFunctions.h"

#include <sqlite3.h>

#include "base/LocaleFormats.h"

namespace {

QString twoDigits(int value) {
    return QString::number(value).rightJustified(2, u'0');
}

void formatFunction(sqlite3_context* context, int argc, sqlite3_value** argv) {
    if (argc != 2 || sqlite3_value_type(argv[0]) == SQLITE_NULL) {
        sqlite3_result_null(context);
        return;
    }
    const QString value = QString::fromUtf8(
        reinterpret_cast<const char*>(sqlite3_value_text(argv[0])), sqlite3_value_bytes(argv[0]));
    const QString pattern = QString::fromUtf8(
        reinterpret_cast<const char*>(sqlite3_value_text(argv[1])), sqlite3_value_bytes(argv[1]));
    const QByteArray result = formatStoredDateTime(value, pattern).toUtf8();
    sqlite3_result_text(context, result.constData(), int(result.size()), SQLITE_TRANSIENT);
}

}  // namespace

QString formatStoredDateTime(const QString& stored, const QString& pattern) {
    const std::optional<localefmt::WallClock> parsed = localefmt::readStorageText(stored);
    if (!parsed) {
        return stored;
    }
    const QDate date = parsed->date();
    const QTime time = parsed->time();
    QString out;
    bool afterHour = false;
    for (qsizetype i = 0; i < pattern.size();) {
        const QChar c = pattern.at(i).toLower();
        qsizetype run = 1;
        while (i + run < pattern.size() && pattern.at(i + run).toLower() == c) {
            ++run;
        }
        if (c == u'y') {
            out += run >= 3 ? QString::number(date.year()) : twoDigits(date.year() % 100);
        } else if (c == u'm') {
            const int v = afterHour ? time.minute() : date.month();
            out += run >= 2 ? twoDigits(v) : QString::number(v);
        } else if (c == u'd') {
            out += run >= 2 ? twoDigits(date.day()) : QString::number(date.day());
        } else if (c == u'h') {
            out += run >= 2 ? twoDigits(time.hour()) : QString::number(time.hour());
        } else if (c == u'n') {
            out += run >= 2 ? twoDigits(time.minute()) : QString::number(time.minute());
        } else if (c == u's') {
            out += run >= 2 ? twoDigits(time.second()) : QString::number(time.second());
        } else {
            out += pattern.mid(i, run);
        }
        if (c != u':' && c != u' ') {
            afterHour = (c == u'h');
        }
        i += run;
    }
    return out;
}

void registerSqlFunctions(sqlite3* db) {
    sqlite3_create_function(db, "format", 2, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr,
                            formatFunction, nullptr, nullptr);
}
