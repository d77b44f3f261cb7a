#pragma once

#include <QByteArray>
#include <QString>
#include <vector>

// Zip archives built in memory with QuaZip, including the malformed kinds a reader must refuse.
namespace fixtures {

struct ZipEntry {
    ZipEntry(QString name, QByteArray contents, QByteArray password = {}, qint64 declaredSize = -1)
        : name(std::move(name)),
          contents(std::move(contents)),
          password(std::move(password)),
          declaredSize(declaredSize) {}

    QString name;
    QByteArray contents;
    QByteArray password;  // non-empty: the entry is encrypted (traditional zip crypto)
    qint64 declaredSize;  // >= 0: the headers claim this expanded size instead
};

QByteArray zipArchive(const std::vector<ZipEntry>& entries);

}  // namespace fixtures
