#include "ZipWriting.h"

#include <quazip.h>
#include <quazipfile.h>
#include <quazipnewinfo.h>
#include <zlib.h>

#include <QBuffer>
#include <stdexcept>

namespace fixtures {

namespace {

quint32 crcOf(const QByteArray& bytes) {
    return static_cast<quint32>(crc32(0, reinterpret_cast<const Bytef*>(bytes.constData()),
                                      static_cast<uInt>(bytes.size())));
}

// A raw deflate stream: qCompress's output without its length prefix, zlib header and checksum.
QByteArray rawDeflate(const QByteArray& bytes) {
    const QByteArray wrapped = qCompress(bytes, 9);
    return wrapped.mid(6, wrapped.size() - 10);
}

void write(QuaZip& zip, const ZipEntry& entry) {
    QuaZipNewInfo info(entry.name);
    QuaZipFile file(&zip);
    const quint32 crc = crcOf(entry.contents);
    bool opened = false;
    if (entry.declaredSize >= 0) {
        info.uncompressedSize = static_cast<ulong>(entry.declaredSize);
        opened = file.open(QIODevice::WriteOnly, info, nullptr, crc, Z_DEFLATED, 9, true);
        if (opened) {
            file.write(rawDeflate(entry.contents));
        }
    } else {
        const char* password = entry.password.isEmpty() ? nullptr : entry.password.constData();
        opened = file.open(QIODevice::WriteOnly, info, password, crc, Z_DEFLATED, 9);
        if (opened) {
            file.write(entry.contents);
        }
    }
    file.close();
    if (!opened || file.getZipError() != ZIP_OK) {
        throw std::runtime_error("cannot write zip entry " + entry.name.toStdString());
    }
}

}  // namespace

QByteArray zipArchive(const std::vector<ZipEntry>& entries) {
    QByteArray bytes;
    {
        QBuffer buffer(&bytes);
        QuaZip zip(&buffer);
        if (!zip.open(QuaZip::mdCreate)) {
            throw std::runtime_error("cannot create a zip archive");
        }
        for (const ZipEntry& entry : entries) {
            write(zip, entry);
        }
        zip.close();
    }
    return bytes;
}

}  // namespace fixtures
