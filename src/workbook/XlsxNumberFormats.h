#pragma once

#include <QStringView>

#include "workbook/Sheet.h"

// How an .xlsx cell's number is shown, as far as the import cares: as a number, or as a date, a
// time of day or both, which the spreadsheet keeps as a serial number of days.
namespace xlsxformats {

enum class Shows { Number, Date, Time, DateTime };

// A format built into the spreadsheet program and not written into the file: 14-22 and 45-47,
// and the Chinese date and time formats 27-36 and 50-58 that a Chinese Excel saves.
Shows builtInFormat(int id);

// A format code written into the file ("yyyy-mm-dd", "[$-804]yyyy\"年\"m\"月\"d\"日\""): its first
// section's date and time tokens, outside quoted text, escaped characters and [colour] or
// [locale] sections; an elapsed time ([h]:mm:ss) counts as a time.
Shows formatCode(QStringView code);

// The cell for a serial number shown so. A date keeps its time of day when it has one; a time
// keeps its date when it has one; a serial outside the years 1900 to 9999 stays a number.
workbook::Cell serialCell(double serial, Shows shows, bool date1904);

}  // namespace xlsxformats
