#include "XlsFixtures.h"

#include <QtEndian>

namespace xlsfixtures {

namespace {

constexpr quint32 kEndOfChain = 0xFFFFFFFE;
constexpr quint32 kFree = 0xFFFFFFFF;
constexpr quint32 kFatSector = 0xFFFFFFFD;
constexpr quint32 kDifatSector = 0xFFFFFFFC;
constexpr quint32 kNoEntry = 0xFFFFFFFF;
constexpr int kMiniSector = 64;

// A text as BIFF8 stores it after its length: an option byte, then the characters, one byte
// each when they all fit.
QByteArray biff8Characters(const QString& text, bool& wide) {
    wide = false;
    for (const QChar c : text) {
        wide = wide || c.unicode() > 0xFF;
    }
    QByteArray out;
    for (const QChar c : text) {
        out += wide ? le16(c.unicode()) : QByteArray(1, char(c.unicode()));
    }
    return out;
}

}  // namespace

QByteArray le16(quint16 value) {
    QByteArray b(2, '\0');
    qToLittleEndian(value, b.data());
    return b;
}

QByteArray le32(quint32 value) {
    QByteArray b(4, '\0');
    qToLittleEndian(value, b.data());
    return b;
}

QByteArray le64(double value) {
    QByteArray b(8, '\0');
    qToLittleEndian(value, b.data());
    return b;
}

void putLe32(QByteArray& bytes, qsizetype offset, quint32 value) {
    qToLittleEndian(value, bytes.data() + offset);
}

QString fixturePath(const QString& name) {
    return QStringLiteral(FPBX_SOURCE_DIR "/tests/testsupport/workbooks/fixtures/") + name;
}

WorkbookStream& WorkbookStream::record(quint16 type, const QByteArray& data) {
    bytes_ += le16(type) + le16(quint16(data.size())) + data;
    return *this;
}

WorkbookStream& WorkbookStream::globalsBof() {
    return record(0x0809, le16(biff8_ ? 0x0600 : 0x0500) + le16(0x0005) + le16(0) + le16(0) +
                              (biff8_ ? le32(0) + le32(0x0600) : QByteArray()));
}

WorkbookStream& WorkbookStream::worksheetBof() {
    for (const qsizetype at : pendingSheetOffsets_) {
        putLe32(bytes_, at, quint32(bytes_.size()));
    }
    pendingSheetOffsets_.clear();
    return record(0x0809, le16(biff8_ ? 0x0600 : 0x0500) + le16(0x0010) + le16(0) + le16(0) +
                              (biff8_ ? le32(0) + le32(0x0600) : QByteArray()));
}

WorkbookStream& WorkbookStream::format(quint16 index, const QString& text) {
    const QByteArray latin1 = text.toLatin1();
    if (biff8_) {
        return record(0x041E,
                      le16(index) + le16(quint16(latin1.size())) + QByteArray(1, '\0') + latin1);
    }
    return record(0x041E, le16(index) + QByteArray(1, char(latin1.size())) + latin1);
}

WorkbookStream& WorkbookStream::xf(quint16 formatIndex) {
    QByteArray data = le16(0) + le16(formatIndex);
    data.resize(biff8_ ? 20 : 16, '\0');
    return record(0x00E0, data);
}

WorkbookStream& WorkbookStream::sst(const QStringList& texts, quint32 declaredCount,
                                    int recordSize) {
    QList<QByteArray> records{le32(declaredCount) + le32(declaredCount)};
    const auto room = [&] { return recordSize - records.last().size(); };
    for (const QString& text : texts) {
        bool wide = false;
        QByteArray characters = biff8Characters(text, wide);
        const int width = wide ? 2 : 1;
        if (room() < 3 + width) {
            records << QByteArray();  // a string's head goes with its first character
        }
        records.last() += le16(quint16(text.size())) + QByteArray(1, wide ? '\x01' : '\0');
        while (!characters.isEmpty()) {
            const qsizetype fits = (room() / width) * width;
            if (fits == 0) {
                records << QByteArray(1, wide ? '\x01' : '\0');
                continue;
            }
            records.last() += characters.left(fits);
            characters.remove(0, fits);
        }
    }
    record(0x00FC, records.first());
    for (qsizetype i = 1; i < records.size(); ++i) {
        record(0x003C, records[i]);
    }
    return *this;
}

WorkbookStream& WorkbookStream::boundSheet(const QString& name, quint8 sheetType) {
    pendingSheetOffsets_ << bytes_.size() + 4;
    QByteArray data = le32(0) + QByteArray(1, '\0') + QByteArray(1, char(sheetType));
    if (biff8_) {
        bool wide = false;
        const QByteArray characters = biff8Characters(name, wide);
        data += QByteArray(1, char(name.size())) + QByteArray(1, wide ? '\x01' : '\0') + characters;
    } else {
        const QByteArray latin1 = name.toLatin1();
        data += QByteArray(1, char(latin1.size())) + latin1;
    }
    return record(0x0085, data);
}

WorkbookStream& WorkbookStream::labelSst(quint16 row, quint16 column, quint32 index, quint16 xf) {
    return record(0x00FD, le16(row) + le16(column) + le16(xf) + le32(index));
}

WorkbookStream& WorkbookStream::number(quint16 row, quint16 column, double value, quint16 xf) {
    return record(0x0203, le16(row) + le16(column) + le16(xf) + le64(value));
}

WorkbookStream& WorkbookStream::label(quint16 row, quint16 column, const QByteArray& eightBit) {
    return record(0x0204,
                  le16(row) + le16(column) + le16(0) + le16(quint16(eightBit.size())) + eightBit);
}

WorkbookStream& WorkbookStream::dimensions(quint32 rowEnd, quint16 columnEnd) {
    if (biff8_) {
        return record(0x0200, le32(0) + le32(rowEnd) + le16(0) + le16(columnEnd) + le16(0));
    }
    return record(0x0200, le16(0) + le16(quint16(rowEnd)) + le16(0) + le16(columnEnd) + le16(0));
}

CompoundFile& CompoundFile::build() {
    const qsizetype size = sectorSize();
    const quint32 perSector = quint32(size / 4);
    QList<quint32> fat;
    QByteArray body;
    // Appends whole sectors chained one to the next; returns the first.
    const auto place = [&](const QByteArray& data) {
        const quint32 first = quint32(fat.size());
        const qsizetype count = (data.size() + size - 1) / size;
        for (qsizetype i = 0; i < count; ++i) {
            fat << (i + 1 < count ? quint32(fat.size() + 1) : kEndOfChain);
        }
        body += data;
        body.resize(qsizetype(fat.size()) * size, '\0');
        return count == 0 ? kEndOfChain : first;
    };

    QByteArray container;
    QList<quint32> miniFat;
    streamStarts.clear();
    QList<bool> inMini;
    for (const auto& [name, data] : streams) {
        if (data.size() >= 4096) {
            streamStarts << place(data);
            inMini << false;
            continue;
        }
        const quint32 first = quint32(miniFat.size());
        const qsizetype count = (data.size() + kMiniSector - 1) / kMiniSector;
        for (qsizetype i = 0; i < count; ++i) {
            miniFat << (i + 1 < count ? quint32(miniFat.size() + 1) : kEndOfChain);
        }
        container += data;
        container.resize(qsizetype(miniFat.size()) * kMiniSector, '\0');
        streamStarts << (count == 0 ? kEndOfChain : first);
        inMini << true;
    }
    const quint32 containerStart = place(container);
    QByteArray miniFatBytes;
    for (const quint32 next : miniFat) {
        miniFatBytes += le32(next);
    }
    miniFatBytes.resize(((miniFatBytes.size() + size - 1) / size) * size, char(0xFF));
    miniFatStart = place(miniFatBytes);

    QByteArray directory;
    const auto entry = [&](const QString& name, quint8 type, quint32 child, quint32 right,
                           quint32 start, quint64 streamSize) {
        QByteArray e(128, '\0');
        for (qsizetype i = 0; i < name.size(); ++i) {
            qToLittleEndian(name[i].unicode(), e.data() + 2 * i);
        }
        qToLittleEndian(quint16(2 * (name.size() + 1)), e.data() + 64);
        e[66] = char(type);
        e[67] = 1;
        putLe32(e, 68, kNoEntry);
        putLe32(e, 72, right);
        putLe32(e, 76, child);
        putLe32(e, 116, start);
        qToLittleEndian(streamSize, e.data() + 120);
        directory += e;
    };
    entry(QStringLiteral("Root Entry"), 5, streams.isEmpty() ? kNoEntry : 1, kNoEntry,
          containerStart, quint64(container.size()));
    for (qsizetype i = 0; i < streams.size(); ++i) {
        entry(streams[i].first, 2, kNoEntry, i + 1 < streams.size() ? quint32(i + 2) : kNoEntry,
              streamStarts[i], quint64(streams[i].second.size()));
    }
    directory.resize(((directory.size() + size - 1) / size) * size, '\0');
    directoryStart = place(directory);

    // Enough table sectors (and DIFAT sectors for those past the header's 109) for all.
    quint32 fatCount = qMax<quint32>(quint32(minFatSectors), 1);
    quint32 difatCount = 0;
    for (;;) {
        difatCount = fatCount > 109 ? (fatCount - 109 + perSector - 2) / (perSector - 1) : 0;
        if (quint64(fatCount) * perSector >= quint64(fat.size()) + fatCount + difatCount) {
            break;
        }
        ++fatCount;
    }
    fatSectors.clear();
    for (quint32 i = 0; i < fatCount; ++i) {
        fatSectors << quint32(fat.size());
        fat << kFatSector;
    }
    QList<quint32> difatSectors;
    for (quint32 i = 0; i < difatCount; ++i) {
        difatSectors << quint32(fat.size());
        fat << kDifatSector;
    }
    fat.resize(qsizetype(fatCount) * perSector, kFree);
    for (const quint32 next : std::as_const(fat)) {
        body += le32(next);
    }
    for (quint32 d = 0; d < difatCount; ++d) {
        QByteArray sector;
        for (quint32 i = 0; i < perSector - 1; ++i) {
            const quint32 index = 109 + d * (perSector - 1) + i;
            sector += le32(index < fatCount ? fatSectors[index] : kFree);
        }
        sector += le32(d + 1 < difatCount ? difatSectors[d + 1] : kEndOfChain);
        body += sector;
    }

    QByteArray header(size, '\0');
    header.replace(0, 8, QByteArray("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8));
    qToLittleEndian(quint16(0x003E), header.data() + 24);
    qToLittleEndian(quint16(sectorShift == 9 ? 3 : 4), header.data() + 26);
    qToLittleEndian(quint16(0xFFFE), header.data() + 28);
    qToLittleEndian(quint16(sectorShift), header.data() + 30);
    qToLittleEndian(quint16(6), header.data() + 32);
    putLe32(header, 40, sectorShift == 9 ? 0 : quint32(directory.size() / size));
    putLe32(header, 44, fatCount);
    putLe32(header, 48, directoryStart);
    putLe32(header, 56, 4096);
    putLe32(header, 60, miniFatStart);
    putLe32(header, 64, quint32(miniFatBytes.size() / size));
    putLe32(header, 68, difatCount > 0 ? difatSectors.first() : kEndOfChain);
    putLe32(header, 72, difatCount);
    for (int i = 0; i < 109; ++i) {
        putLe32(header, 76 + 4 * i, quint32(i) < fatCount ? fatSectors[i] : kFree);
    }
    bytes = header + body;
    return *this;
}

qsizetype CompoundFile::fatEntryOffset(quint32 sector) const {
    const quint32 perSector = quint32(sectorSize() / 4);
    return sectorOffset(fatSectors[sector / perSector]) + 4 * (sector % perSector);
}

qsizetype CompoundFile::streamEntryOffset(int stream) const {
    return sectorOffset(directoryStart) + 128 * (stream + 1);
}

QByteArray xlsFile(const QByteArray& workbookStream, int sectorShift) {
    CompoundFile file;
    file.sectorShift = sectorShift;
    file.streams = {{QStringLiteral("Workbook"), workbookStream}};
    return file.build().bytes;
}

}  // namespace xlsfixtures
