#include "export/OutputStream.h"

#include <cstring>
#include <new>

#include "shell/AppError.h"

namespace exportio {

namespace {
constexpr qsizetype kFileBufferSize = 64 * 1024;
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

void FileOutputStream::write(const char* data, qsizetype size) {
    if (failed_) {
        throw AppError(QStringLiteral("Stream write error"));
    }
    if (used_ + size > buffer_.size()) {
        flushBuffer();
        if (size >= buffer_.size()) {
            if (file_.write(data, size) != size) {
                failed_ = true;
                throw AppError(QStringLiteral("Stream write error"));
            }
            return;
        }
    }
    std::memcpy(buffer_.data() + used_, data, size_t(size));
    used_ += size;
}

void FileOutputStream::flushBuffer() {
    if (used_ == 0 || failed_) {
        return;
    }
    const qsizetype pending = used_;
    used_ = 0;
    if (file_.write(buffer_.constData(), pending) != pending) {
        failed_ = true;
        throw AppError(QStringLiteral("Stream write error"));
    }
}

void FileOutputStream::close() {
    if (!file_.isOpen()) {
        return;
    }
    flushBuffer();
    const bool flushed = file_.flush();
    file_.close();
    if (failed_ || !flushed || file_.error() != QFileDevice::NoError) {
        throw AppError(QStringLiteral("Stream write error"));
    }
}

void MemoryOutputStream::write(const char* data, qsizetype size) {
    const qsizetype needed = data_.size() + size;
    try {
        if (needed > data_.capacity()) {
            data_.reserve((needed + kGrowthStep - 1) / kGrowthStep * kGrowthStep);
        }
        data_.append(data, size);
    } catch (const std::bad_alloc&) {
        throw AppError(QStringLiteral("Out of memory while expanding memory stream"));
    }
}

}  // namespace exportio
