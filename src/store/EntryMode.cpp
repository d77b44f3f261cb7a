#include "store/EntryMode.h"

namespace entrymode {

namespace {
const QString kScanText = QStringLiteral("扫描");
const QString kManualText = QStringLiteral("手工录入");
}  // namespace

QString displayText(qint64 stored) {
    return stored == storedValue(EntryMode::Scan) ? kScanText : kManualText;
}

QString displaySql() {
    return QStringLiteral("iif(报销方式=%1,'%2','%3')")
        .arg(storedValue(EntryMode::Scan))
        .arg(kScanText, kManualText);
}

QString registeredLogLine(EntryMode mode, const QString& code, const QString& number) {
    const QString prefix = mode == EntryMode::Import ? QStringLiteral("导入报销成功发票信息：")
                                                     : QStringLiteral("报销成功发票信息：");
    return prefix + code + u'-' + number;
}

}  // namespace entrymode
