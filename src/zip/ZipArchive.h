#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <exception>
#include <memory>

struct zip;
struct zip_file;
struct zip_source;

// A zip package read entry by entry: an .xlsx workbook from its file, an OFD file from its bytes
// in memory. Everything in it is untrusted: an archive that lists more entries than allowed is
// not read, and the bytes each entry expands to are counted as they come, against a limit per
// entry and one for all entries together, whatever sizes the archive declares. Failures are an
// Error saying only what kind of failure it is; the readers put it in their own words.
namespace ziparchive {

enum class Failure {
    Damaged,  // not a zip, cut short, a bad checksum, a damaged stream or directory
    Encrypted,
    UnsupportedCompression,
    OutOfMemory,
    CannotOpen,    // the file cannot be opened (permissions)
    TooLarge,      // beyond the limits: too many entries, or expanding too far
    MissingEntry,  // Archive::read of a name no entry has
};

class Error : public std::exception {
public:
    explicit Error(Failure failure) : failure_(failure) {}
    Failure failure() const { return failure_; }
    const char* what() const noexcept override { return "zip archive refused"; }

private:
    Failure failure_;
};

struct Limits {
    qint64 entryBytes;  // the most one entry may expand to
    qint64 totalBytes;  // the most all entries read may expand to together
    qint64 entries;     // the most entries the archive may list
    // An entry that expands to more or fewer bytes than its headers declare is Damaged (it is
    // never expanded past the claim); otherwise only the limits above stop it.
    bool sizesAsDeclared = false;
};

class Entry;

class Archive {
public:
    Archive(const QString& path, Limits limits);
    Archive(const QByteArray& bytes, Limits limits);
    ~Archive();
    Archive(const Archive&) = delete;
    Archive& operator=(const Archive&) = delete;

    // Names are matched exactly, else as packages name their parts: without a leading "/", "\"
    // read as "/", ignoring case. An empty name matches nothing.
    bool contains(const QString& name) const;
    // Nothing when there is no entry of that name.
    std::unique_ptr<Entry> open(const QString& name);
    // The whole entry; MissingEntry when there is none.
    QByteArray read(const QString& name);

private:
    friend class Entry;
    // Opens the archive the source holds (the archive's from then on) and indexes its entries.
    void adopt(zip_source* source);
    qint64 find(const QString& name) const;

    QByteArray bytes_;  // held while libzip reads them
    zip* archive_ = nullptr;
    Limits limits_;
    qint64 expanded_ = 0;  // by every entry read so far
    QHash<QString, qint64> exact_;
    QHash<QString, qint64> normal_;
};

class Entry {
public:
    ~Entry();
    Entry(const Entry&) = delete;
    Entry& operator=(const Entry&) = delete;

    // Up to size expanded bytes; 0 at the end of the entry, once its checksum is known sound.
    qint64 read(char* data, qint64 size);
    const QString& name() const { return name_; }

private:
    friend class Archive;
    Entry(Archive& archive, zip_file* file, QString name, qint64 declared);

    Archive& archive_;
    zip_file* file_;
    QString name_;
    qint64 declared_;  // -1 when the archive declares no size
    qint64 expanded_ = 0;
};

}  // namespace ziparchive
