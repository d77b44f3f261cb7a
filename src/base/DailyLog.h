#pragma once

#include <QString>
#include <QStringList>

// The daily log, log/yyyyMMdd.log in a directory.

// Appends "yyyy-MM-dd HH:mm:ss  message" to directory/log/yyyyMMdd.log (GBK, CR LF), creating
// the folders. Never fails its caller: a line that cannot be written is dropped. Lines from
// several threads never interleave.
void WriteLog(const QString& directory, const QString& message);
// Several lines with one time stamp, in one write.
void WriteLogLines(const QString& directory, const QStringList& messages);
