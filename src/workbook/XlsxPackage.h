#pragma once

#include <QString>

#include "zip/ZipArchive.h"

// The way through an .xlsx package to its first sheet: the package's relationships name the
// workbook part, the workbook names its sheets in order and its relationships name each sheet's
// part, its styles and its shared strings.
namespace xlsxpackage {

struct FirstSheet {
    QString name;  // as the workbook names it
    QString sheetPart;
    QString stylesPart;         // empty when the workbook has none
    QString sharedStringsPart;  // empty when the workbook has none
    bool date1904 = false;      // serial numbers count days from 1904-01-01
};

// Throws AppError when the package holds no workbook or the workbook no sheet.
FirstSheet locateFirstSheet(ziparchive::Archive& archive);

// The part a relationship of sourcePart points at: a target relative to the source's folder
// ("worksheets/sheet1.xml", "../xl/styles.xml") or absolute ("/xl/worksheets/sheet1.xml"),
// percent-encoded as in a URI.
QString resolveTarget(const QString& sourcePart, const QString& target);

}  // namespace xlsxpackage
