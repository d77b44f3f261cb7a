#pragma once

#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

// The globals substream at the head of a BIFF5 or BIFF8 workbook stream: what the cells of its
// sheets need (code page, date system, the formats of the cell styles, the shared strings) and
// where its first worksheet begins.
namespace biff {

struct WorkbookGlobals {
    bool biff8 = true;
    int maxRows = 65536;  // BIFF5 sheets have 16,384
    std::optional<quint16> codePage;
    bool date1904 = false;
    QList<bool> dateXfs;  // for each cell style: its format shows a date or a time
    QStringList sharedStrings;
    QString firstSheetName;
    quint32 firstSheetOffset = 0;
};

// Throws AppError saying what is wrong when the globals are damaged, the workbook is
// encrypted or holds no worksheet, or it is of an Excel version before 5.0.
WorkbookGlobals readGlobals(QByteArrayView stream);

}  // namespace biff
