#pragma once

#include <QBuffer>
#include <QByteArray>
#include <QString>
#include <memory>

class QuaZip;

namespace invoicefiles {

// Reads entries of a zip archive held in memory, within the expansion limits: an entry that
// would expand beyond its limit, or beyond what is left of the whole archive's allowance, is
// refused rather than read (a small archive can expand into gigabytes).
class ZipReader {
public:
    enum class Status { Ok, Missing, Damaged, Encrypted, TooLarge };

    explicit ZipReader(const QByteArray& bytes);
    ~ZipReader();
    ZipReader(const ZipReader&) = delete;
    ZipReader& operator=(const ZipReader&) = delete;

    // Ok when the archive's directory could be read and lists no more entries than the limit.
    Status openStatus() const { return openStatus_; }

    // The entry's contents; the name is matched exactly, else ignoring case.
    Status read(const QString& name, QByteArray& contents);

private:
    Status readCurrent(QByteArray& contents);

    QByteArray bytes_;
    QBuffer buffer_;
    std::unique_ptr<QuaZip> zip_;
    Status openStatus_ = Status::Damaged;
    qint64 expanded_ = 0;
};

}  // namespace invoicefiles
