#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <optional>

// An OLE2 compound file (the container of .xls workbooks) held in memory: the header, the
// sector allocation table with its DIFAT chain, the directory, and the mini stream with its own
// table. Every chain walk is bounded by the sectors the file really has, so a damaged file
// throws AppError (its message says what is wrong) instead of looping or reading past the end.
namespace compoundfile {

class CompoundFile {
public:
    // Reads the header, the allocation tables and the directory of file, which must outlive
    // this object.
    explicit CompoundFile(const QByteArray& file);

    // The stream of that name (compared without regard to case) among the root storage's
    // children, or nothing when there is none.
    std::optional<QByteArray> stream(const QString& name) const;

private:
    struct Entry {
        QString name;
        quint8 type = 0;
        quint32 left = 0;
        quint32 right = 0;
        quint32 child = 0;
        quint32 start = 0;
        quint64 size = 0;
    };

    QByteArrayView sector(quint32 index) const;
    QList<quint32> chain(const QList<quint32>& table, quint32 start, qsizetype limit,
                         const char* what) const;
    QByteArray regularStream(quint32 start, quint64 size) const;
    QByteArray miniStream(quint32 start, quint64 size) const;
    QList<quint32> readTable(const QList<quint32>& sectors) const;
    void readFat();
    void readDirectory();
    void readMiniStream();

    QByteArrayView file_;
    int sectorShift_ = 9;
    quint32 sectorCount_ = 0;
    quint32 miniCutoff_ = 4096;
    QList<quint32> fat_;
    QList<quint32> miniFat_;
    QByteArray miniStream_;
    QList<Entry> entries_;
};

}  // namespace compoundfile
