#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

// Where an exporter's bytes go. Fragments are collected in a buffer and handed on in large
// blocks, so that writing a fragment costs no system call.
namespace exportio {

class OutputStream {
public:
    virtual ~OutputStream() = default;
    virtual void write(const char* data, qsizetype size) = 0;

    void write(const QByteArray& bytes) { write(bytes.constData(), bytes.size()); }
    void write(char byte) { write(&byte, 1); }
    void writeUInt16(quint16 value);  // little-endian
    void writeUInt32(quint32 value);  // little-endian
};

// A file created (or emptied) on open. Failures are AppError: "Cannot create file %s" when it
// cannot be created, "Stream write error" when the bytes do not reach it.
class FileOutputStream final : public OutputStream {
public:
    explicit FileOutputStream(const QString& fileName);
    ~FileOutputStream() override;  // closes without reporting; call close() to know

    void write(const char* data, qsizetype size) override;
    // Writes what is buffered and closes the file; throws when that fails.
    void close();

private:
    void flushBuffer();

    QFile file_;
    QByteArray buffer_;
    qsizetype used_ = 0;
    bool failed_ = false;
};

// Bytes held in memory. Its capacity grows in steps of 128 KiB; when memory cannot be had the
// write fails with "Out of memory while expanding memory stream".
class MemoryOutputStream final : public OutputStream {
public:
    static constexpr qsizetype kGrowthStep = 131072;

    void write(const char* data, qsizetype size) override;
    const QByteArray& data() const { return data_; }
    qsizetype size() const { return data_.size(); }

private:
    QByteArray data_;
};

}  // namespace exportio
