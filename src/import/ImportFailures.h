#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>

// The rows of an import that were not registered, and why: for the details the clerk can look
// at after the summary, save as a .csv, and find again in the log.
struct ImportFailure {
    qint64 row = 0;  // the sheet's row number, as the spreadsheet shows it
    QString code;    // 发票代码
    QString number;  // 发票号码
    QString reason;
};

namespace importfailures {

// "已报销（2024/3/1 9:30:00，张三）": the invoice was registered before, then and by whom.
QString alreadyReimbursed(const QDateTime& at, const QString& reimburser);

// "导入发票信息失败（第N行）：code-number：reason".
QString logLine(const ImportFailure& failure);

// 行号,发票代码,发票号码,原因 and one line per failure, in GBK with CR LF, fields quoted where
// they hold a comma, a quote or a line break.
QByteArray csv(const QList<ImportFailure>& failures);

inline const QString kDetailsCaption = QStringLiteral("查看失败明细");

}  // namespace importfailures
