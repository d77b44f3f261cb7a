#include "base/Paths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QReadWriteLock>
#include <QSaveFile>

namespace {

QReadWriteLock globalsLock;
QString exeDirOverride;
QString taxNumberGlobal;

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
