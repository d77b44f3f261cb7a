#pragma once

#include <QByteArray>
#include <QJsonValue>
#include <QList>
#include <QString>
#include <utility>

#include "ImportFixtures.h"

// .xlsx workbooks for the import tests: real ones written by openpyxl, and packages made part by
// part, for what no writer at hand makes (inline strings, prefixes, odd part names, damage).
namespace xlsxfixtures {

// Cells of an openpyxl workbook besides those of fixtures (dates, date-times and times get the
// formats yyyy-mm-dd, yyyy-mm-dd hh:mm:ss, hh:mm:ss).
QJsonValue formatted(QJsonValue cell, const QString& formatCode);
QJsonValue builtInFormatted(QJsonValue cell, int formatId);
QJsonValue number(double value);
QJsonValue formula(const QString& text);
QJsonValue boolean(bool value);

void writeXlsx(const QString& path, const QList<fixtures::SheetSpec>& sheets,
               bool date1904 = false);
void writeXlsx(const QString& path, const QList<fixtures::Row>& rows);
// A package whose sheet part expands to that many MiB of blanks, its sizes declared truly.
void writeBomb(const QString& path, int mebibytes);

using Parts = QList<std::pair<QString, QByteArray>>;

// The parts of a workbook of one sheet "Sheet1" holding sheetData (the XML inside
// <sheetData>), with shared strings (the <si> elements) and styles (the XML inside
// <styleSheet>) when given.
Parts package(const QByteArray& sheetData, const QByteArray& sharedStrings = {},
              const QByteArray& styles = {});
QByteArray& part(Parts& parts, const QString& name);

// A zip archive of the parts, deflated.
void writeZip(const QString& path, const Parts& parts);
// Makes the archive's directory and the entry's local header claim another expanded size.
void declareSize(const QString& path, const QString& entry, quint32 size);

}  // namespace xlsxfixtures
