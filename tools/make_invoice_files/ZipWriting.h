#pragma once

#include <QByteArray>
#include <QString>
#include <vector>

// Zip archives built in memory with libzip, including the malformed kinds a reader must refuse:
// for the invoice files and the tests' workbooks.
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

// Makes the headers of the entry of that name in an archive (its local header and its directory
// record) claim another expanded size; how many headers it changed.
int declareSize(QByteArray& archive, const QString& entry, quint32 size);

}  // namespace fixtures
