#include "base/DailyLog.h"

#include <QDir>
#include <QFile>
#include <QMutex>

#include "base/Clock.h"
#include "base/Paths.h"
#include "base/TextCodec.h"

namespace {
QMutex logMutex;
}  // namespace

void WriteLog(const QString& directory, const QString& message) {
    WriteLogLines(directory, {message});
}

void WriteLogLines(const QString& directory, const QStringList& messages) {
    if (messages.isEmpty()) {
        return;
    }
    const QDateTime now = appclock::now();
    const QString logDir = joinPath(directory, QStringLiteral("log"));
    const QString fileName = now.toString(QStringLiteral("yyyyMMdd")) + QStringLiteral(".log");
    const QString stamp =
        now.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) + QStringLiteral("  ");
    QString text;
    for (const QString& message : messages) {
        text += stamp + message + u'\n';
    }
    const QByteArray lines = textcodec::toGbkTextMode(text);

    QMutexLocker lock(&logMutex);
    if (!QDir().mkpath(logDir)) {
        return;
    }
    QFile file(joinPath(logDir, fileName));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append)) {
        return;
    }
    file.write(lines);
}
