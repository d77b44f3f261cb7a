#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

// .xls workbooks made byte by byte for the reader's tests: workbook streams record by record,
// and compound files around them, with the places a test damages on purpose.
namespace xlsfixtures {

QByteArray le16(quint16 value);
QByteArray le32(quint32 value);
QByteArray le64(double value);
void putLe32(QByteArray& bytes, qsizetype offset, quint32 value);

// The committed workbook of that name under tests/testsupport/workbooks/fixtures.
QString fixturePath(const QString& name);

// A BIFF8 (or BIFF5) workbook stream: globals, then worksheets.
class WorkbookStream {
public:
    explicit WorkbookStream(bool biff8 = true) : biff8_(biff8) {}

    WorkbookStream& record(quint16 type, const QByteArray& data);
    WorkbookStream& globalsBof();
    WorkbookStream& worksheetBof();
    WorkbookStream& eof() { return record(0x000A, {}); }
    WorkbookStream& codePage(quint16 codePage) { return record(0x0042, le16(codePage)); }
    WorkbookStream& dateMode1904() { return record(0x0022, le16(1)); }
    WorkbookStream& format(quint16 index, const QString& text);  // Latin-1 text
    WorkbookStream& xf(quint16 formatIndex);
    // The shared strings, in one SST record and CONTINUE records of at most recordSize bytes,
    // written as Excel does: a text cut by a record boundary goes on after an option byte.
    WorkbookStream& sst(const QStringList& texts, quint32 declaredCount, int recordSize = 8224);
    // A BOUNDSHEET whose offset the next worksheetBof() fills in (sheetType 0: a worksheet).
    WorkbookStream& boundSheet(const QString& name, quint8 sheetType = 0);

    WorkbookStream& labelSst(quint16 row, quint16 column, quint32 index, quint16 xf = 0);
    WorkbookStream& number(quint16 row, quint16 column, double value, quint16 xf = 0);
    WorkbookStream& label(quint16 row, quint16 column, const QByteArray& eightBit);  // BIFF5
    WorkbookStream& dimensions(quint32 rowEnd, quint16 columnEnd);

    const QByteArray& bytes() const { return bytes_; }

private:
    bool biff8_;
    QByteArray bytes_;
    QList<qsizetype> pendingSheetOffsets_;
};

// A compound file holding named streams. Streams under 4096 bytes go to the mini stream.
struct CompoundFile {
    int sectorShift = 9;
    // More allocation table sectors than the file needs, to make it use DIFAT sectors.
    int minFatSectors = 0;
    QList<std::pair<QString, QByteArray>> streams;

    // Built by build(): where things lie, for tests that damage them.
    QByteArray bytes;
    QList<quint32> streamStarts;  // first sector (or mini sector) of each stream
    quint32 directoryStart = 0;
    quint32 miniFatStart = 0;
    QList<quint32> fatSectors;

    CompoundFile& build();
    qsizetype sectorSize() const { return qsizetype(1) << sectorShift; }
    qsizetype sectorOffset(quint32 sector) const { return (qsizetype(sector) + 1) * sectorSize(); }
    // Where the allocation table says which sector follows sector.
    qsizetype fatEntryOffset(quint32 sector) const;
    // Where the directory entry of stream i (0-based; the root is before them) begins.
    qsizetype streamEntryOffset(int stream) const;
};

// Wraps a workbook stream in a compound file as its "Workbook" stream.
QByteArray xlsFile(const QByteArray& workbookStream, int sectorShift = 9);

}  // namespace xlsfixtures
