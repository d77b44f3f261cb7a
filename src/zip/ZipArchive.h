#pragma once

#include <QHash>
#include <QString>
#include <memory>

struct zip;
struct zip_file;

// A zip file read entry by entry, as an .xlsx workbook is. Everything in it is untrusted: the
// bytes each entry expands to are counted as they come, against a limit per entry and one for
// all entries together, whatever sizes the archive declares. Every failure is an AppError that
// says in words what is wrong with the file.
namespace ziparchive {

struct Budget {
    qint64 entryBytes;  // the most one entry may expand to
    qint64 totalBytes;  // the most all entries read may expand to together
};

class Entry;

class Archive {
public:
    Archive(const QString& path, Budget budget);
    ~Archive();
    Archive(const Archive&) = delete;
    Archive& operator=(const Archive&) = delete;

    // Entry names compare as packages name their parts: without a leading "/", "\" read as "/",
    // ignoring case.
    bool contains(const QString& name) const;
    // Nothing when there is no entry of that name.
    std::unique_ptr<Entry> open(const QString& name);

private:
    friend class Entry;
    zip* archive_ = nullptr;
    Budget budget_;
    qint64 expanded_ = 0;  // by every entry read so far
    QHash<QString, qint64> index_;
};

class Entry {
public:
    ~Entry();
    Entry(const Entry&) = delete;
    Entry& operator=(const Entry&) = delete;

    // Up to size expanded bytes; 0 at the end of the entry.
    qint64 read(char* data, qint64 size);
    const QString& name() const { return name_; }

private:
    friend class Archive;
    Entry(Archive& archive, zip_file* file, QString name);

    Archive& archive_;
    zip_file* file_;
    QString name_;
    qint64 expanded_ = 0;
};

// The name an entry is found by.
QString normalName(QString name);

}  // namespace ziparchive
