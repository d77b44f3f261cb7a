#include "zip/ZipArchive.h"

#include <zip.h>

#include <QFile>
#include <QtEndian>
#include <cstdio>
#include <limits>

namespace ziparchive {

namespace {

constexpr qint64 kChunk = 64 * 1024;

Failure failureOf(int zipError) {
    switch (zipError) {
        case ZIP_ER_NOPASSWD:
        case ZIP_ER_WRONGPASSWD:
        case ZIP_ER_ENCRNOTSUPP:
            return Failure::Encrypted;
        case ZIP_ER_COMPNOTSUPP:
            return Failure::UnsupportedCompression;
        case ZIP_ER_MEMORY:
            return Failure::OutOfMemory;
        case ZIP_ER_OPEN:
            return Failure::CannotOpen;
        default:
            // Not a zip, cut short, unreadable, a bad checksum, a damaged stream, an
            // inconsistent directory.
            return Failure::Damaged;
    }
}

[[noreturn]] void fail(int zipError) {
    throw Error(failureOf(zipError));
}

int errorOf(zip_t* archive) {
    return zip_error_code_zip(zip_get_error(archive));
}

// The name an entry is also found by.
QString normalName(QString name) {
    name.replace(u'\\', u'/');
    while (name.startsWith(u'/')) {
        name.remove(0, 1);
    }
    return name.toLower();
}

// The most entries an end record among the archive's last bytes declares (tail starts at
// tailAt in the archive), with the zip64 end record's count where the locator points into tail.
qint64 declaredEntries(const QByteArray& tail, qint64 tailAt) {
    const QByteArrayView end("PK\x05\x06", 4);
    const QByteArrayView locator("PK\x06\x07", 4);
    const QByteArrayView end64("PK\x06\x06", 4);
    const char* bytes = tail.constData();
    qint64 most = 0;
    for (qsizetype at = tail.lastIndexOf(end); at >= 0;
         at = at > 0 ? tail.lastIndexOf(end, at - 1) : -1) {
        if (at + 22 > tail.size()) {
            continue;
        }
        quint64 count = qFromLittleEndian<quint16>(bytes + at + 10);
        if (count == 0xFFFF && at >= 20 && tail.sliced(at - 20, 4) == locator) {
            const quint64 record = qFromLittleEndian<quint64>(bytes + at - 20 + 8);
            if (record >= quint64(tailAt) && record - quint64(tailAt) + 40 <= quint64(at - 20) &&
                tail.sliced(qsizetype(record - quint64(tailAt)), 4) == end64) {
                count = qFromLittleEndian<quint64>(bytes + (record - quint64(tailAt)) + 32);
            }
        }
        most = qMax(most, qint64(qMin<quint64>(count, std::numeric_limits<qint64>::max())));
    }
    return most;
}

// libzip reads every entry a directory lists before any can be counted: the count the end
// record declares is checked first, so that a directory of millions is refused unread.
void checkDeclaredEntries(zip_source_t* source, qint64 most) {
    // The end record with the longest comment, and the zip64 locator and end record before it.
    constexpr qint64 kTail = 56 + 20 + 22 + 65535;
    zip_stat_t stat;
    zip_stat_init(&stat);
    if (zip_source_stat(source, &stat) < 0 || !(stat.valid & ZIP_STAT_SIZE) ||
        zip_source_open(source) < 0) {
        return;  // libzip says what is wrong when it opens the archive
    }
    const qint64 tailAt = qMax<qint64>(0, qint64(stat.size) - kTail);
    QByteArray tail(qint64(stat.size) - tailAt, Qt::Uninitialized);
    const bool read =
        zip_source_seek(source, tailAt, SEEK_SET) == 0 &&
        zip_source_read(source, tail.data(), zip_uint64_t(tail.size())) == tail.size();
    zip_source_close(source);
    if (read && declaredEntries(tail, tailAt) > most) {
        throw Error(Failure::TooLarge);
    }
}

// What make makes with a libzip error to fill; the failure it fills in when it makes nothing.
template <typename Made, typename Make>
Made* made(Make make) {
    zip_error_t error;
    zip_error_init(&error);
    Made* result = make(&error);
    const int code = zip_error_code_zip(&error);
    zip_error_fini(&error);
    if (result == nullptr) {
        fail(code);
    }
    return result;
}

}  // namespace

Archive::Archive(const QString& path, Limits limits) : limits_(limits) {
    const QByteArray name = QFile::encodeName(path);
    adopt(made<zip_source_t>([&name](zip_error_t* error) {
        return zip_source_file_create(name.constData(), 0, -1, error);
    }));
}

Archive::Archive(const QByteArray& bytes, Limits limits) : bytes_(bytes), limits_(limits) {
    adopt(made<zip_source_t>([this](zip_error_t* error) {
        return zip_source_buffer_create(bytes_.constData(), zip_uint64_t(bytes_.size()), 0, error);
    }));
}

Archive::~Archive() {
    zip_discard(archive_);
}

void Archive::adopt(zip_source* source) {
    try {
        checkDeclaredEntries(source, limits_.entries);
        archive_ = made<zip_t>([source](zip_error_t* error) {
            return zip_open_from_source(source, ZIP_RDONLY, error);
        });
    } catch (...) {
        zip_source_free(source);
        throw;
    }
    const zip_int64_t count = zip_get_num_entries(archive_, 0);
    if (count > limits_.entries) {
        zip_discard(archive_);
        throw Error(Failure::TooLarge);
    }
    for (zip_int64_t i = 0; i < count; ++i) {
        // Package part names are ASCII or UTF-8; the raw name is taken as UTF-8 either way.
        const char* raw = zip_get_name(archive_, zip_uint64_t(i), ZIP_FL_ENC_RAW);
        if (raw == nullptr) {
            continue;
        }
        const QString name = QString::fromUtf8(raw);
        // The first of entries named alike is the one found, as libzip finds it.
        if (!exact_.contains(name)) {
            exact_.insert(name, i);
        }
        const QString normal = normalName(name);
        if (!normal_.contains(normal)) {
            normal_.insert(normal, i);
        }
    }
}

qint64 Archive::find(const QString& name) const {
    if (name.isEmpty()) {
        return -1;
    }
    const auto exact = exact_.constFind(name);
    return exact != exact_.constEnd() ? *exact : normal_.value(normalName(name), -1);
}

bool Archive::contains(const QString& name) const {
    return find(name) >= 0;
}

std::unique_ptr<Entry> Archive::open(const QString& name) {
    const qint64 index = find(name);
    if (index < 0) {
        return nullptr;
    }
    zip_stat_t stat;
    zip_stat_init(&stat);
    if (zip_stat_index(archive_, zip_uint64_t(index), 0, &stat) != 0) {
        fail(errorOf(archive_));
    }
    const bool sized = stat.valid & ZIP_STAT_SIZE;
    // An honest size is refused before anything is expanded; a false one when it is exceeded.
    if (sized && (stat.size > zip_uint64_t(limits_.entryBytes) ||
                  stat.size > zip_uint64_t(limits_.totalBytes - expanded_))) {
        throw Error(Failure::TooLarge);
    }
    zip_file_t* file = zip_fopen_index(archive_, zip_uint64_t(index), 0);
    if (file == nullptr) {
        fail(errorOf(archive_));
    }
    return std::unique_ptr<Entry>(new Entry(*this, file, name, sized ? qint64(stat.size) : -1));
}

QByteArray Archive::read(const QString& name) {
    const std::unique_ptr<Entry> entry = open(name);
    if (!entry) {
        throw Error(Failure::MissingEntry);
    }
    QByteArray contents;
    contents.reserve(qMax<qint64>(entry->declared_, 0));
    QByteArray chunk(kChunk, Qt::Uninitialized);
    while (const qint64 got = entry->read(chunk.data(), kChunk)) {
        contents.append(chunk.constData(), got);
    }
    return contents;
}

Entry::Entry(Archive& archive, zip_file* file, QString name, qint64 declared)
    : archive_(archive), file_(file), name_(std::move(name)), declared_(declared) {}

Entry::~Entry() {
    zip_fclose(file_);
}

qint64 Entry::read(char* data, qint64 size) {
    const Limits& limits = archive_.limits_;
    const bool asDeclared = limits.sizesAsDeclared && declared_ >= 0;
    if (asDeclared) {
        size = qMin(size, declared_ - expanded_ + 1);  // one byte past the claim shows a lie
    }
    const zip_int64_t got = zip_fread(file_, data, zip_uint64_t(size));
    if (got < 0) {
        fail(zip_error_code_zip(zip_file_get_error(file_)));
    }
    expanded_ += got;
    archive_.expanded_ += got;
    if (asDeclared && (expanded_ > declared_ || (got == 0 && expanded_ != declared_))) {
        throw Error(Failure::Damaged);
    }
    if (expanded_ > limits.entryBytes || archive_.expanded_ > limits.totalBytes) {
        throw Error(Failure::TooLarge);
    }
    return got;
}

}  // namespace ziparchive
