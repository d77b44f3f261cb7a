#include "ZipWriting.h"

#include <zip.h>

#include <QtEndian>
#include <stdexcept>
#include <tuple>

namespace fixtures {

namespace {

[[noreturn]] void fail(const std::string& what, zip_error_t* error) {
    throw std::runtime_error(what + ": " + zip_error_strerror(error));
}

void add(zip_t* zip, const ZipEntry& entry) {
    zip_source_t* source =
        zip_source_buffer(zip, entry.contents.constData(), zip_uint64_t(entry.contents.size()), 0);
    const zip_int64_t index = source == nullptr ? -1
                                                : zip_file_add(zip, entry.name.toUtf8().constData(),
                                                               source, ZIP_FL_ENC_UTF_8);
    if (index < 0) {
        zip_source_free(source);
        fail("cannot add zip entry " + entry.name.toStdString(), zip_get_error(zip));
    }
    // A fixed time: the same files on every build.
    const bool written =
        zip_set_file_compression(zip, zip_uint64_t(index), ZIP_CM_DEFLATE, 9) == 0 &&
        zip_file_set_mtime(zip, zip_uint64_t(index), 1704067200, 0) == 0 &&
        (entry.password.isEmpty() ||
         zip_file_set_encryption(zip, zip_uint64_t(index), ZIP_EM_TRAD_PKWARE,
                                 entry.password.constData()) == 0);
    if (!written) {
        fail("cannot write zip entry " + entry.name.toStdString(), zip_get_error(zip));
    }
}

}  // namespace

QByteArray zipArchive(const std::vector<ZipEntry>& entries) {
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* target = zip_source_buffer_create(nullptr, 0, 0, &error);
    zip_t* zip = target == nullptr ? nullptr : zip_open_from_source(target, ZIP_TRUNCATE, &error);
    if (zip == nullptr) {
        zip_source_free(target);
        fail("cannot create a zip archive", &error);
    }
    zip_source_keep(target);
    for (const ZipEntry& entry : entries) {
        add(zip, entry);
    }
    if (zip_close(zip) != 0) {
        fail("cannot write the zip archive", zip_get_error(zip));
    }
    zip_stat_t stat;
    zip_stat_init(&stat);
    QByteArray bytes;
    if (zip_source_stat(target, &stat) == 0 && zip_source_open(target) == 0) {
        bytes.resize(qsizetype(stat.size));
        const zip_int64_t read = zip_source_read(target, bytes.data(), stat.size);
        zip_source_close(target);
        bytes.resize(read < 0 ? 0 : qsizetype(read));
    }
    zip_source_free(target);
    if (bytes.size() != qsizetype(stat.size)) {
        throw std::runtime_error("cannot take the zip archive out of memory");
    }
    for (const ZipEntry& entry : entries) {
        if (entry.declaredSize >= 0) {
            declareSize(bytes, entry.name, quint32(entry.declaredSize));
        }
    }
    return bytes;
}

int declareSize(QByteArray& archive, const QString& entry, quint32 size) {
    const QByteArray name = entry.toUtf8();
    int changed = 0;
    // Local headers carry the name at 30 and the size at 22; directory records at 46 and 24.
    for (const auto& [signature, nameAt, sizeAt] : {std::tuple{QByteArray("PK\x03\x04"), 30, 22},
                                                    std::tuple{QByteArray("PK\x01\x02"), 46, 24}}) {
        for (qsizetype at = archive.indexOf(signature); at >= 0;
             at = archive.indexOf(signature, at + 4)) {
            if (archive.mid(at + nameAt, name.size()) == name) {
                qToLittleEndian(size, archive.data() + at + sizeAt);
                ++changed;
            }
        }
    }
    return changed;
}

}  // namespace fixtures
