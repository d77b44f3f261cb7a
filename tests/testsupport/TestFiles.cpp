#include "TestFiles.h"

#include <QFile>

#include "base/TextCodec.h"

namespace testfiles {

QByteArray readBytes(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    return file.readAll();
}

void writeBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    file.open(QIODevice::WriteOnly | QIODevice::Truncate);
    file.write(bytes);
}

QString readGbk(const QString& path) {
    return textcodec::fromGbk(readBytes(path));
}

QStringList logMessages(const QString& logPath) {
    QStringList messages;
    const QStringList lines = readGbk(logPath).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    for (const QString& line : lines) {
        // "yyyy-MM-dd HH:mm:ss" and two blanks
        messages << line.mid(21);
    }
    return messages;
}

}  // namespace testfiles
