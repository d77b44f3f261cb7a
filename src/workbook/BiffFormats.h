#pragma once

#include <QString>
#include <QStringView>

#include "workbook/Sheet.h"

// Which numbers of a workbook are dates and times, and the cells they make. A number is read as
// the workbook saved it, whatever part of it the format shows.
namespace biff {

// Whether a format string shows a date or a time: a y, m, d, h or s outside quoted text,
// escaped characters and bracketed colours or conditions ([h], [mm] and [ss] count).
bool formatShowsDateOrTime(QStringView format);

// Whether a built-in format (one a workbook refers to by number without a FORMAT record of its
// own) is a date or time format, the East Asian ones included.
bool builtInFormatIsDateOrTime(quint16 index);

// A number under a date or time format: a Time when it holds no day (value < 1), a Date when it
// is a whole day, a DateTime otherwise, to the second. Serial numbers count days from 1900
// (with that year's phantom 29 February) or, with date1904, from 1904. A value no date can
// have stays a number.
workbook::Cell dateOrTimeCell(double value, bool date1904);

}  // namespace biff
