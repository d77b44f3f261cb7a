#include "workbook/CompoundFile.h"

#include <QtEndian>
#include <cstring>
#include <vector>

#include "base/AppError.h"

namespace compoundfile {

namespace {

const QByteArray kSignature("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);
constexpr qsizetype kHeaderSize = 512;
constexpr int kHeaderDifatSlots = 109;
constexpr int kDirectoryEntrySize = 128;
constexpr int kMiniSectorSize = 64;
constexpr quint32 kEndOfChain = 0xFFFFFFFE;
constexpr quint32 kFreeSector = 0xFFFFFFFF;
constexpr quint32 kNoEntry = 0xFFFFFFFF;
constexpr quint8 kStreamEntry = 2;
constexpr quint8 kRootEntry = 5;

quint16 u16At(QByteArrayView bytes, qsizetype pos) {
    return qFromLittleEndian<quint16>(bytes.data() + pos);
}

quint32 u32At(QByteArrayView bytes, qsizetype pos) {
    return qFromLittleEndian<quint32>(bytes.data() + pos);
}

[[noreturn]] void damaged(const char* what) {
    throw AppError(QStringLiteral("the file is damaged (%1)").arg(QString::fromLatin1(what)));
}

// A stream's bytes from its sectors in order.
template <typename SectorAt>
QByteArray gather(const QList<quint32>& sectors, quint64 size, qsizetype sectorSize,
                  SectorAt sectorAt) {
    QByteArray bytes(qsizetype(size), Qt::Uninitialized);
    qsizetype filled = 0;
    for (const quint32 index : sectors) {
        const QByteArrayView part = sectorAt(index);
        const qsizetype wanted = qMin(sectorSize, bytes.size() - filled);
        if (part.size() < wanted) {
            damaged("a stream runs past the end of the file");
        }
        std::memcpy(bytes.data() + filled, part.data(), size_t(wanted));
        filled += wanted;
    }
    return bytes;
}

}  // namespace

CompoundFile::CompoundFile(const QByteArray& file) : file_(file) {
    if (file.size() < kHeaderSize || !file.startsWith(kSignature) || u16At(file_, 28) != 0xFFFE) {
        damaged("the compound file header is invalid");
    }
    sectorShift_ = u16At(file_, 30);
    if ((sectorShift_ != 9 && sectorShift_ != 12) || u16At(file_, 32) != 6) {
        damaged("the compound file header names sector sizes it cannot have");
    }
    const qsizetype sectorSize = qsizetype(1) << sectorShift_;
    if (file_.size() <= sectorSize) {
        damaged("the file holds no sectors");
    }
    // A last sector cut short still counts; reading past its end is caught where it happens.
    sectorCount_ = quint32(qMin<qsizetype>((file_.size() - 1) / sectorSize, kFreeSector - 5));
    miniCutoff_ = u32At(file_, 56);
    readFat();
    readDirectory();
}

QByteArrayView CompoundFile::sector(quint32 index) const {
    const qsizetype sectorSize = qsizetype(1) << sectorShift_;
    const qsizetype offset = (qsizetype(index) + 1) * sectorSize;
    return file_.sliced(offset, qMin(sectorSize, file_.size() - offset));
}

QList<quint32> CompoundFile::chain(const QList<quint32>& table, quint32 start, qsizetype limit,
                                   const char* what) const {
    // limit is the number of sectors wanted, or -1 for the whole chain.
    QList<quint32> sectors;
    std::vector<bool> visited(size_t(table.size()), false);
    quint32 next = start;
    while (next != kEndOfChain && sectors.size() != limit) {
        if (next >= quint32(table.size())) {
            damaged(what);
        }
        if (visited[next]) {
            damaged("a sector chain runs in a loop");
        }
        visited[next] = true;
        sectors << next;
        next = table[next];
    }
    if (limit >= 0 && sectors.size() < limit) {
        damaged("a stream ends before the length its directory entry gives");
    }
    return sectors;
}

QList<quint32> CompoundFile::readTable(const QList<quint32>& sectors) const {
    QList<quint32> table;
    table.reserve(sectors.size() << (sectorShift_ - 2));
    for (const quint32 index : sectors) {
        const QByteArrayView bytes = sector(index);
        for (qsizetype pos = 0; pos + 4 <= bytes.size(); pos += 4) {
            table << u32At(bytes, pos);
        }
        table.resize(table.size() + (((qsizetype(1) << sectorShift_) - bytes.size()) / 4),
                     kFreeSector);
    }
    return table;
}

void CompoundFile::readFat() {
    const quint32 fatSectors = u32At(file_, 44);
    if (fatSectors > sectorCount_) {
        damaged("the allocation table is larger than the file");
    }
    QList<quint32> fatIndexes;
    fatIndexes.reserve(fatSectors);
    for (int i = 0; i < kHeaderDifatSlots && quint32(fatIndexes.size()) < fatSectors; ++i) {
        fatIndexes << u32At(file_, 76 + 4 * i);
    }
    // The rest of the list lives in DIFAT sectors: entries, then the next DIFAT sector.
    const qsizetype perDifatSector = (qsizetype(1) << (sectorShift_ - 2)) - 1;
    quint32 difat = u32At(file_, 68);
    std::vector<bool> visited(sectorCount_, false);
    while (quint32(fatIndexes.size()) < fatSectors) {
        if (difat >= sectorCount_ || visited[difat]) {
            damaged("the list of allocation table sectors is broken");
        }
        visited[difat] = true;
        const QByteArrayView bytes = sector(difat);
        if (bytes.size() < (perDifatSector + 1) * 4) {
            damaged("the list of allocation table sectors is cut short");
        }
        for (qsizetype i = 0; i < perDifatSector && quint32(fatIndexes.size()) < fatSectors; ++i) {
            fatIndexes << u32At(bytes, 4 * i);
        }
        difat = u32At(bytes, 4 * perDifatSector);
    }
    for (const quint32 index : fatIndexes) {
        if (index >= sectorCount_) {
            damaged("an allocation table sector lies outside the file");
        }
    }
    fat_ = readTable(fatIndexes);
    // Entries for sectors past the end of the file can never be followed.
    if (quint32(fat_.size()) > sectorCount_) {
        fat_.resize(sectorCount_);
    }
}

void CompoundFile::readDirectory() {
    const QList<quint32> sectors =
        chain(fat_, u32At(file_, 48), -1, "the directory points outside the file");
    const bool version3 = sectorShift_ == 9;
    for (const quint32 index : sectors) {
        const QByteArrayView bytes = sector(index);
        for (qsizetype pos = 0; pos + kDirectoryEntrySize <= bytes.size();
             pos += kDirectoryEntrySize) {
            const QByteArrayView raw = bytes.sliced(pos, kDirectoryEntrySize);
            Entry entry;
            const int nameBytes = qMin<int>(u16At(raw, 64), 64);
            const int nameLength = qMax(0, nameBytes / 2 - 1);  // without its terminating null
            entry.name.resize(nameLength);
            for (int i = 0; i < nameLength; ++i) {
                entry.name[i] = QChar(u16At(raw, 2 * i));
            }
            entry.type = quint8(raw[66]);
            entry.left = u32At(raw, 68);
            entry.right = u32At(raw, 72);
            entry.child = u32At(raw, 76);
            entry.start = u32At(raw, 116);
            // Version 3 files may leave garbage in the size's high half.
            entry.size = version3 ? u32At(raw, 120) : qFromLittleEndian<quint64>(raw.data() + 120);
            entries_ << entry;
        }
    }
    if (entries_.isEmpty() || entries_[0].type != kRootEntry) {
        damaged("the directory has no root entry");
    }
}

QByteArray CompoundFile::regularStream(quint32 start, quint64 size) const {
    const qsizetype sectorSize = qsizetype(1) << sectorShift_;
    if (size > quint64(sectorCount_) * quint64(sectorSize)) {
        damaged("a stream is larger than the file");
    }
    const QList<quint32> sectors =
        chain(fat_, start, qsizetype((size + sectorSize - 1) / sectorSize),
              "a stream's sectors lie outside the file");
    return gather(sectors, size, sectorSize, [this](quint32 index) { return sector(index); });
}

QByteArray CompoundFile::miniStream(quint32 start, quint64 size) const {
    // Small streams are cut into 64-byte sectors of the root entry's stream.
    const QByteArray container = regularStream(entries_[0].start, entries_[0].size);
    const QList<quint32> tableSectors =
        chain(fat_, u32At(file_, 60), -1, "the mini stream's table points outside the file");
    QList<quint32> miniFat = readTable(tableSectors);
    const qsizetype miniSectors = container.size() / kMiniSectorSize;
    if (size > quint64(miniSectors) * kMiniSectorSize) {
        damaged("a small stream is larger than the mini stream");
    }
    if (miniFat.size() > miniSectors) {
        miniFat.resize(miniSectors);
    }
    const QList<quint32> sectors =
        chain(miniFat, start, qsizetype((size + kMiniSectorSize - 1) / kMiniSectorSize),
              "a small stream's sectors lie outside the mini stream");
    return gather(sectors, size, kMiniSectorSize, [&container](quint32 index) {
        return QByteArrayView(container).sliced(qsizetype(index) * kMiniSectorSize,
                                                kMiniSectorSize);
    });
}

std::optional<QByteArray> CompoundFile::stream(const QString& name) const {
    // The root's children form a tree through their left and right siblings; a damaged tree
    // may point back at itself, so every entry is visited once at most.
    QList<bool> visited(entries_.size(), false);
    QList<quint32> pending{entries_[0].child};
    while (!pending.isEmpty()) {
        const quint32 index = pending.takeLast();
        if (index == kNoEntry) {
            continue;
        }
        if (index >= quint32(entries_.size())) {
            damaged("a directory entry points outside the directory");
        }
        if (visited[index]) {
            continue;
        }
        visited[index] = true;
        const Entry& entry = entries_[index];
        if (entry.type == kStreamEntry && entry.name.compare(name, Qt::CaseInsensitive) == 0) {
            return entry.size < miniCutoff_ ? miniStream(entry.start, entry.size)
                                            : regularStream(entry.start, entry.size);
        }
        pending << entry.left << entry.right;
    }
    return std::nullopt;
}

}  // namespace compoundfile
