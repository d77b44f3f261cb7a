#pragma once

#include <QByteArray>
#include <QString>
#include <ostream>

#include "export/Exporters.h"
#include "export/PlainGrid.h"

// Readable failure output.
inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}
inline void PrintTo(const QByteArray& bytes, std::ostream* os) {
    *os << bytes.toHex(' ').toStdString();
}

namespace exporttest {

// The records grid with the common system colours and no rows.
exportgrid::PlainGrid emptyRecordsGrid(const exportgrid::SystemColours& colours = {});

// The records grid holding two records:
//   012001700111 12345678 123.50 20170120 2024-03-05 09:30:05 张三 scan
//   044031900222 00000002 100.00 20170121 2024-03-06 00:00:00 (null reimburser) manual
exportgrid::PlainGrid twoRecordsGrid(const exportgrid::SystemColours& colours = {});

// A records row; an empty reimburser stands for a null one.
QList<exportgrid::Cell> recordRow(const QString& code, const QString& number,
                                  std::optional<qint64> amount, const QString& date,
                                  std::optional<QDateTime> time, const QString& reimburser,
                                  int mode);

// What an exporter of the class writes for the grid.
QByteArray exportBytes(ExporterClass exporterClass, exportgrid::Grid& grid);

// Bytes from a text of hexadecimal pairs ("09 08 08 00").
QByteArray hex(const char* pairs);

QString fromGbk(const QByteArray& bytes);
QByteArray gbk(const QString& text);

}  // namespace exporttest
