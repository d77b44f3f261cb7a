#include "shell/Commonfun.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QReadWriteLock>
#include <QSaveFile>

#include "shell/Clock.h"
#include "shell/TextCodec.h"

namespace {

QReadWriteLock globalsLock;
QString exeDirOverride;
QString taxNumberGlobal;

QMutex logMutex;

QString readGlobal(const QString& value) {
    QReadLocker lock(&globalsLock);
    return value;
}

void writeGlobal(QString& target, const QString& value) {
    QWriteLocker lock(&globalsLock);
    target = value;
}

}  // namespace

QString GetExeDir() {
    const QString override = readGlobal(exeDirOverride);
    if (!override.isEmpty()) {
        return override;
    }
    QString dir = QFileInfo(QFile::symLinkTarget(QStringLiteral("/proc/self/exe"))).absolutePath();
    if (dir.size() > 1 && dir.endsWith(u'/')) {
        dir.chop(1);
    }
    return dir;
}

void setExeDirOverride(const QString& directory) {
    writeGlobal(exeDirOverride, directory);
}

QString TaxNumber() {
    return readGlobal(taxNumberGlobal);
}
void setTaxNumber(const QString& taxNumber) {
    writeGlobal(taxNumberGlobal, taxNumber);
}

QString joinPath(const QString& directory, const QString& name) {
    if (directory.endsWith(u'/')) {
        return directory + name;
    }
    return directory + u'/' + name;
}

QString CompanyDir() {
    return joinPath(GetExeDir(), TaxNumber());
}

void FindFilesByName(const QString& directory, const QString& name, QStringList& list) {
    QDir dir(directory);
    dir.setNameFilters({name});
    dir.setFilter(QDir::Files);  // not hidden, not directories; matching ignores case
    dir.setSorting(QDir::Unsorted);
    list.append(dir.entryList());
}

int CopyFileTo(const QString& source, const QString& destination) {
    try {
        const QFileInfo from(source);
        if (!from.isFile()) {
            return 2;
        }
        if (!QDir().mkpath(destination)) {
            return 5;
        }
        const QString target = joinPath(destination, from.fileName());
        QFile in(source);
        if (!in.open(QIODevice::ReadOnly)) {
            return 5;
        }
        // Written aside and renamed, so a failed copy never leaves half a file.
        QSaveFile out(target);
        if (!out.open(QIODevice::WriteOnly)) {
            return 5;
        }
        while (!in.atEnd()) {
            const QByteArray chunk = in.read(1 << 20);
            if (chunk.isEmpty() && in.error() != QFileDevice::NoError) {
                out.cancelWriting();
                return 5;
            }
            if (out.write(chunk) != chunk.size()) {
                out.cancelWriting();
                return 5;
            }
        }
        return out.commit() ? 0 : 5;
    } catch (...) {
        return -1;
    }
}

QString GetConnectionString() {
    // SQLite knows no file password; the text keeps it so that this stays the one place that
    // names it.
    return QStringLiteral("Provider=SQLite3;User ID=Admin;Data Source=") +
           joinPath(CompanyDir(), QStringLiteral("fpbx.mdb")) + u';' +
           QStringLiteral("Database Password=qelvat3961;") +
           QStringLiteral("Mode=ReadWrite;Persist Security Info=False;");
}

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
