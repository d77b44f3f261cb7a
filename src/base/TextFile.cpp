#include "base/TextFile.h"

#include <QFile>

#include "base/AppError.h"
#include "base/TextCodec.h"

void WriteToFile(const QString& path, const QString& text, bool append) {
    QFile file(path);
    if (!append) {
        file.open(QIODevice::WriteOnly | QIODevice::Truncate);
        return;
    }
    const QByteArray bytes = textcodec::toGbkTextMode(text);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append) || file.write(bytes) != bytes.size() ||
        !file.flush()) {
        throw AppError(QStringLiteral("Cannot open file %1").arg(path));
    }
}

void CreateEmptyFile(const QString& path) {
    WriteToFile(path, QString(), false);
}

void AppendTextToFile(const QString& path, const QString& text) {
    WriteToFile(path, text, true);
}
