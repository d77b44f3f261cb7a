#include "invoice/EntryMode.h"

namespace entrymode {

namespace {
const QString kScanText = QStringLiteral("扫描");
const QString kFileText = QStringLiteral("文件导入");
const QString kManualText = QStringLiteral("手工录入");
}  // namespace

QString displayText(qint64 stored) {
    if (stored == storedValue(EntryMode::Scan)) {
        return kScanText;
    }
    return stored == storedValue(EntryMode::File) ? kFileText : kManualText;
}

QString displaySql() {
    // Standard SQL: the same text on the file and on a server.
    return QStringLiteral("case 报销方式 when %1 then '%2' when %3 then '%4' else '%5' end")
        .arg(storedValue(EntryMode::Scan))
        .arg(kScanText)
        .arg(storedValue(EntryMode::File))
        .arg(kFileText, kManualText);
}

QString registeredLogLine(EntryMode mode, const QString& code, const QString& number) {
    const QString prefix = mode == EntryMode::Import ? QStringLiteral("导入报销成功发票信息：")
                                                     : QStringLiteral("报销成功发票信息：");
    return prefix + code + u'-' + number;
}

}  // namespace entrymode
