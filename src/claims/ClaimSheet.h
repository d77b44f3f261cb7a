#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include "store/ClaimStore.h"

// What a claim's sheet says, as text: the sheet writer only lays it out.
namespace claims {

struct SheetContent {
    QString title;  // 报销单
    QString company;  // 单位：<config.ini [基本信息] 单位名称>（税号：…）, or 税号：… alone
    QString number;      // 报销单号, also in the QR code
    QString reimburser;  // 报销人
    QString date;        // the day it was closed (or opened, while open), yyyy-MM-dd
    QStringList headings;
    QList<QStringList> rows;  // 序号, 发票种类, 发票代码, 发票号码, 开票日期, 开票金额
    QString count;            // 共 3 张
    QString totalFigures;   // ￥1,234.50
    QString totalCapitals;  // 壹仟贰佰叁拾肆元伍角整
    QString signatures;     // the line for signatures
    bool ok = true;         // false when the total leaves the amount's range
};

SheetContent sheetContent(const StoredClaim& claim, const QString& companyName,
                          const QString& taxNumber);

// Where the sheet of a claim is kept: <company>/报销单/<yyyyMM of its number>/<number>.pdf.
QString sheetPath(const QString& companyDir, const QString& number);

}  // namespace claims
