#pragma once

#include <QDateTime>
#include <QList>
#include <QPair>
#include <QString>

// The invoice at a glance, as the clerk checks it by eye after it was read: each item a title and
// its value, in the order they are shown.
namespace invoice {

struct FaceFields {
    QString kindCode;   // item [1] of the QR code; empty when not known (a manual entry)
    QString code;       // 发票代码, empty on a fully digital invoice
    QString number;     // 发票号码
    QString date;       // 开票日期, yyyymmdd
    QString amount;     // 开票金额 as read; empty when not known
    QString checkCode;  // 校验码
    QString buyer;      // 购买方 and 销售方 names, from an invoice file
    QString seller;
};

// 发票种类, 发票代码 (数电票 for a fully digital invoice), 发票号码, 开票日期 (yyyy-MM-dd),
// 开票金额 (two decimals), 校验码 (its last six digits), 购买方, 销售方; an item not known is
// left out.
QList<QPair<QString, QString>> faceItems(const FaceFields& fields);

// When and under whom an invoice found already reimbursed was first: "首次报销：2024/3/1 9:30:00，
// 报销人：张三".
QString firstReimbursed(const QDateTime& at, const QString& reimburser);

}  // namespace invoice
