#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <cstring>

// Where an exporter's bytes go. Every stream writes into a buffer of its own and hands the
// bytes on in large blocks, so that a fragment costs a copy and no system call.
namespace exportio {

class OutputStream {
public:
    OutputStream() = default;
    OutputStream(const OutputStream&) = delete;
    OutputStream& operator=(const OutputStream&) = delete;
    virtual ~OutputStream() = default;

    void write(const char* data, qsizetype size) {
        if (size <= end_ - pos_) {
            if (size > 0) {
                std::memcpy(pos_, data, size_t(size));
                pos_ += size;
            }
        } else {
            overflow(data, size);
        }
    }
    void write(const QByteArray& bytes) { write(bytes.constData(), bytes.size()); }
    void write(char byte) { write(&byte, 1); }
    template <qsizetype N>
    void put(const char (&literal)[N]) {
        write(literal, N - 1);
    }
    void writeNumber(qint64 value);   // decimal, a minus sign when negative
    void writeUInt16(quint16 value);  // little-endian
    void writeUInt32(quint32 value);  // little-endian

protected:
    // Takes bytes that do not fit the room left between pos_ and end_.
    virtual void overflow(const char* data, qsizetype size) = 0;

    char* pos_ = nullptr;
    char* end_ = nullptr;
};

// A file created (or emptied) on open. Failures are AppError: "Cannot create file %s" when it
// cannot be created, "Stream write error" when the bytes do not reach it.
class FileOutputStream final : public OutputStream {
public:
    explicit FileOutputStream(const QString& fileName);
    ~FileOutputStream() override;  // closes without reporting; call close() to know

    // Writes what is buffered and closes the file; throws when that fails.
    void close();
    // Drops what is buffered, empties the file and closes it.
    void discard();

protected:
    void overflow(const char* data, qsizetype size) override;

private:
    void flushBuffer();

    QFile file_;
    QByteArray buffer_;
    bool failed_ = false;
};

// Bytes held in memory. Its capacity grows in steps of 128 KiB; when memory cannot be had the
// write fails with "Out of memory while expanding memory stream".
class MemoryOutputStream final : public OutputStream {
public:
    static constexpr qsizetype kGrowthStep = 131072;

    MemoryOutputStream() = default;
    ~MemoryOutputStream() override;

    qsizetype size() const { return block_ == nullptr ? 0 : pos_ - block_; }
    const char* constData() const { return block_; }
    QByteArray data() const { return QByteArray(block_, size()); }

protected:
    void overflow(const char* data, qsizetype size) override;

private:
    char* block_ = nullptr;
};

}  // namespace exportio
