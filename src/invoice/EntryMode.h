#pragma once

#include <QString>
#include <optional>

// How an invoice entered the store: the value of 报销方式.
enum class EntryMode : int {
    Scan = 0,
    Manual = 1,
    Import = 2,
    File = 3,  // read from the invoice's PDF or OFD file
};

namespace entrymode {

inline qint64 storedValue(EntryMode mode) {
    return qint64(mode);
}

// The text of 录入方式 for a stored 报销方式: "扫描" for a scan, "文件导入" for an invoice file,
// "手工录入" for every other value.
QString displayText(qint64 stored);

// The same as an SQL expression over 报销方式, for statements that select 录入方式 (on either
// engine).
QString displaySql();

// The log line written once a registration of this kind is stored.
QString registeredLogLine(EntryMode mode, const QString& code, const QString& number);

}  // namespace entrymode
