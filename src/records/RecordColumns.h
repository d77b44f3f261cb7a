#pragma once

#include <QString>
#include <array>
#include <bitset>

#include "export/ExportGrid.h"
#include "invoice/InvoiceColumns.h"

// The columns of the records grid, in their designed order, with their look.
namespace records {

using namespace invoicecolumns;  // records::kCode ... name the columns

// A choice of the columns, such as those a walk reads.
using ColumnSet = std::bitset<kColumnCount>;
inline constexpr ColumnSet kAllColumns{(1u << kColumnCount) - 1};

struct ColumnInfo {
    QString title;
    exportgrid::Alignment titleAlignment;
    exportgrid::Alignment alignment;
    int width;  // pixels; 0: the default width of the grid's font (see defaultColumnWidth)
    exportgrid::FieldType fieldType;
};

const std::array<ColumnInfo, kColumnCount>& columns();

// The width of a column without a set width: its field's display width in characters (11 for
// 报销人) times the digit width of the grid's font, plus 4 pixels. The fonts here have no overhang.
int defaultColumnWidth(int digitWidth);

// The grid's texts of one stored value, written into text (whose buffer is kept when it is its
// own: a long read makes millions of them).
void setAmountText(QString& text, qint64 units);                 // 123.5, 100, 0.05
void setReimbursedAtText(QString& text, QByteArrayView stored);  // the locale date-time display
void setStoredText(QString& text, QByteArrayView utf8);          // a text column as stored

}  // namespace records
