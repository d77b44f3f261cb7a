#include "zip/ZipReader.h"

#include <quazip.h>
#include <quazipfile.h>
#include <quazipfileinfo.h>

#include "invoicefiles/ReadingLimits.h"

namespace invoicefiles {

ZipReader::ZipReader(const QByteArray& bytes) : bytes_(bytes), buffer_(&bytes_) {
    buffer_.open(QIODevice::ReadOnly);
    zip_ = std::make_unique<QuaZip>(&buffer_);
    if (!zip_->open(QuaZip::mdUnzip)) {
        return;
    }
    openStatus_ = zip_->getEntriesCount() > limits::kMaxZipEntries ? Status::TooLarge : Status::Ok;
}

ZipReader::~ZipReader() = default;

ZipReader::Status ZipReader::read(const QString& name, QByteArray& contents) {
    contents.clear();
    if (openStatus_ != Status::Ok) {
        return openStatus_;
    }
    if (name.isEmpty() || (!zip_->setCurrentFile(name, QuaZip::csSensitive) &&
                           !zip_->setCurrentFile(name, QuaZip::csInsensitive))) {
        return Status::Missing;
    }
    return readCurrent(contents);
}

ZipReader::Status ZipReader::readCurrent(QByteArray& contents) {
    QuaZipFileInfo64 info;
    if (!zip_->getCurrentFileInfo(&info)) {
        return Status::Damaged;
    }
    if (info.flags & 1) {  // general purpose bit 0: the entry is encrypted
        return Status::Encrypted;
    }
    const qint64 allowance =
        std::min<qint64>(limits::kMaxEntryBytes, limits::kMaxExpandedBytes - expanded_);
    // The declared size may lie; it only refuses early, the read below stops at the allowance.
    if (info.uncompressedSize > static_cast<quint64>(allowance)) {
        return Status::TooLarge;
    }
    QuaZipFile file(zip_.get());
    if (!file.open(QIODevice::ReadOnly)) {
        return Status::Damaged;
    }
    contents.reserve(static_cast<qsizetype>(info.uncompressedSize));
    constexpr qint64 kChunk = 64 * 1024;
    while (true) {
        const qint64 room = allowance - contents.size();
        const QByteArray chunk = file.read(std::min<qint64>(kChunk, room + 1));
        if (chunk.isEmpty()) {
            break;
        }
        if (chunk.size() > room) {
            return Status::TooLarge;
        }
        contents.append(chunk);
    }
    const bool readWhole = file.atEnd();
    file.close();
    // A CRC mismatch or a stream cut short shows here.
    if (!readWhole || file.getZipError() != UNZ_OK) {
        contents.clear();
        return Status::Damaged;
    }
    expanded_ += contents.size();
    return Status::Ok;
}

}  // namespace invoicefiles
