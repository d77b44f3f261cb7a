#include "export/OutputStream.h"

#include <charconv>
#include <cstdlib>

#include "base/AppError.h"

namespace exportio {

namespace {

constexpr qsizetype kFileBufferSize = 1024 * 1024;

AppError writeError() {
    return AppError(QStringLiteral("Stream write error"));
}

}  // namespace

void OutputStream::writeNumber(qint64 value) {
    char digits[24];
    const std::to_chars_result r = std::to_chars(digits, digits + sizeof digits, value);
    write(digits, r.ptr - digits);
}

void OutputStream::writeUInt16(quint16 value) {
    const char bytes[2] = {char(value & 0xFF), char(value >> 8)};
    write(bytes, 2);
}

void OutputStream::writeUInt32(quint32 value) {
    const char bytes[4] = {char(value & 0xFF), char((value >> 8) & 0xFF),
                           char((value >> 16) & 0xFF), char(value >> 24)};
    write(bytes, 4);
}

FileOutputStream::FileOutputStream(const QString& fileName) : file_(fileName) {
    // Our own buffer does the collecting; QFile's would only copy the bytes once more.
    if (!file_.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered)) {
        throw AppError(QStringLiteral("Cannot create file %1").arg(fileName));
    }
    buffer_.resize(kFileBufferSize);
    pos_ = buffer_.data();
    end_ = pos_ + buffer_.size();
}

FileOutputStream::~FileOutputStream() {
    if (file_.isOpen()) {
        try {
            flushBuffer();
        } catch (...) {
            // A destructor reports nothing; close() is the checked path.
        }
        file_.close();
    }
}

void FileOutputStream::flushBuffer() {
    char* begin = buffer_.data();
    const qsizetype pending = pos_ - begin;
    pos_ = begin;
    if (pending == 0 || failed_) {
        return;
    }
    if (file_.write(begin, pending) != pending) {
        failed_ = true;
        throw writeError();
    }
}

void FileOutputStream::overflow(const char* data, qsizetype size) {
    if (failed_) {
        throw writeError();
    }
    flushBuffer();
    if (size >= buffer_.size()) {
        if (file_.write(data, size) != size) {
            failed_ = true;
            throw writeError();
        }
        return;
    }
    std::memcpy(pos_, data, size_t(size));
    pos_ += size;
}

void FileOutputStream::close() {
    if (!file_.isOpen()) {
        return;
    }
    flushBuffer();
    const bool flushed = file_.flush();
    file_.close();
    if (failed_ || !flushed || file_.error() != QFileDevice::NoError) {
        throw writeError();
    }
}

void FileOutputStream::discard() {
    pos_ = buffer_.data();
    if (file_.isOpen()) {
        file_.resize(0);
        file_.close();
    }
}

MemoryOutputStream::~MemoryOutputStream() {
    std::free(block_);
}

void MemoryOutputStream::overflow(const char* data, qsizetype size) {
    const qsizetype used = this->size();
    const qsizetype needed = used + size;
    const qsizetype capacity = (needed + kGrowthStep - 1) / kGrowthStep * kGrowthStep;
    // realloc keeps large blocks in place or remaps their pages: the steps stay cheap.
    auto* grown = static_cast<char*>(std::realloc(block_, size_t(capacity)));
    if (grown == nullptr) {
        throw AppError(QStringLiteral("Out of memory while expanding memory stream"));
    }
    block_ = grown;
    std::memcpy(block_ + used, data, size_t(size));
    pos_ = block_ + needed;
    end_ = block_ + capacity;
}

}  // namespace exportio
