#include "zip/ZipArchive.h"

#include <zip.h>

#include <QFile>

#include "workbook/WorkbookRefusal.h"

namespace ziparchive {

namespace {

[[noreturn]] void refuse(int zipError) {
    switch (zipError) {
        case ZIP_ER_NOPASSWD:
        case ZIP_ER_WRONGPASSWD:
        case ZIP_ER_ENCRNOTSUPP:
            throw workbook::unreadable(workbook::Unreadable::Encrypted);
        case ZIP_ER_COMPNOTSUPP:
            throw workbook::unreadable(QStringLiteral("文件使用了不支持的压缩方式。"));
        case ZIP_ER_MEMORY:
            throw workbook::unreadable(workbook::Unreadable::OutOfMemory);
        case ZIP_ER_OPEN:
            throw workbook::unreadable(workbook::Unreadable::CannotOpen);
        default:
            // Not a zip, cut short, unreadable, a bad checksum, a damaged stream, an
            // inconsistent directory.
            throw workbook::unreadable(workbook::Unreadable::Damaged);
    }
}

[[noreturn]] void tooLarge() {
    throw workbook::unreadable(workbook::Unreadable::TooLarge);
}

int errorOf(zip_t* archive) {
    return zip_error_code_zip(zip_get_error(archive));
}

}  // namespace

QString normalName(QString name) {
    name.replace(u'\\', u'/');
    while (name.startsWith(u'/')) {
        name.remove(0, 1);
    }
    return name.toLower();
}

Archive::Archive(const QString& path, Budget budget) : budget_(budget) {
    int error = 0;
    archive_ = zip_open(QFile::encodeName(path).constData(), ZIP_RDONLY, &error);
    if (archive_ == nullptr) {
        refuse(error);
    }
    const zip_int64_t count = zip_get_num_entries(archive_, 0);
    for (zip_int64_t i = 0; i < count; ++i) {
        // Package part names are ASCII or UTF-8; the raw name is taken as UTF-8 either way.
        const char* name = zip_get_name(archive_, zip_uint64_t(i), ZIP_FL_ENC_RAW);
        if (name != nullptr) {
            index_.insert(normalName(QString::fromUtf8(name)), i);
        }
    }
}

Archive::~Archive() {
    zip_discard(archive_);
}

bool Archive::contains(const QString& name) const {
    return index_.contains(normalName(name));
}

std::unique_ptr<Entry> Archive::open(const QString& name) {
    const auto found = index_.constFind(normalName(name));
    if (found == index_.constEnd()) {
        return nullptr;
    }
    zip_stat_t stat;
    zip_stat_init(&stat);
    if (zip_stat_index(archive_, zip_uint64_t(*found), 0, &stat) != 0) {
        refuse(errorOf(archive_));
    }
    // An honest size is refused before anything is expanded; a false one when it is exceeded.
    if ((stat.valid & ZIP_STAT_SIZE) &&
        (stat.size > zip_uint64_t(budget_.entryBytes) ||
         stat.size > zip_uint64_t(budget_.totalBytes - expanded_))) {
        tooLarge();
    }
    zip_file_t* file = zip_fopen_index(archive_, zip_uint64_t(*found), 0);
    if (file == nullptr) {
        refuse(errorOf(archive_));
    }
    return std::unique_ptr<Entry>(new Entry(*this, file, name));
}

Entry::Entry(Archive& archive, zip_file* file, QString name)
    : archive_(archive), file_(file), name_(std::move(name)) {}

Entry::~Entry() {
    zip_fclose(file_);
}

qint64 Entry::read(char* data, qint64 size) {
    const zip_int64_t got = zip_fread(file_, data, zip_uint64_t(size));
    if (got < 0) {
        refuse(zip_error_code_zip(zip_file_get_error(file_)));
    }
    expanded_ += got;
    archive_.expanded_ += got;
    if (expanded_ > archive_.budget_.entryBytes ||
        archive_.expanded_ > archive_.budget_.totalBytes) {
        tooLarge();
    }
    return got;
}

}  // namespace ziparchive
