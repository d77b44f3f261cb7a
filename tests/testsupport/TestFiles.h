#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace testfiles {

QByteArray readBytes(const QString& path);
void writeBytes(const QString& path, const QByteArray& bytes);
// A GBK text file decoded.
QString readGbk(const QString& path);
// The messages of a log file (each line without its time stamp), in order.
QStringList logMessages(const QString& logPath);

}  // namespace testfiles
