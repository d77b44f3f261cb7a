#include "scanner/ProcInputDevices.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

namespace {

// The kernel file is a few kilobytes even on a crowded machine.
constexpr qint64 kMaxFileSize = 1 << 20;

const QString kKeyboardClassGuid = QStringLiteral("{884b96c3-56ef-11d1-bc8c-08002be10318}");

constexpr int kBusUsb = 0x03;
constexpr int kBusBluetooth = 0x05;
constexpr int kBusI8042 = 0x11;
constexpr int kBusI2c = 0x18;

// Bits of the key capability mask: Enter and A, which every keyboard has.
constexpr quint64 kKeyboardKeys = (quint64(1) << 28) | (quint64(1) << 30);

struct Block {
    int bus = 0, vendor = 0, product = 0;
    QString name;
    qint64 inputNumber = -1;
    bool kbdHandler = false;
    quint64 lowKeys = 0;
};

int hexField(const QByteArray& line, const char* key) {
    const qsizetype at = line.indexOf(key);
    if (at < 0) {
        return 0;
    }
    const QByteArray value = line.mid(at + qsizetype(qstrlen(key))).split(' ').first();
    bool ok = false;
    const int n = value.toInt(&ok, 16);
    return ok ? n : 0;
}

void readLine(Block& block, const QByteArray& line) {
    if (line.startsWith("I:")) {
        block.bus = hexField(line, "Bus=");
        block.vendor = hexField(line, "Vendor=");
        block.product = hexField(line, "Product=");
    } else if (line.startsWith("N: Name=")) {
        QByteArray name = line.mid(8).trimmed();
        if (name.size() >= 2 && name.startsWith('"') && name.endsWith('"')) {
            name = name.mid(1, name.size() - 2);
        }
        block.name = QString::fromUtf8(name);
    } else if (line.startsWith("S: Sysfs=")) {
        static const QRegularExpression input(QStringLiteral("/input(\\d{1,9})$"));
        const QRegularExpressionMatch m = input.match(QString::fromUtf8(line.mid(9).trimmed()));
        if (m.hasMatch()) {
            block.inputNumber = m.captured(1).toLongLong();
        }
    } else if (line.startsWith("H: Handlers=")) {
        block.kbdHandler = line.mid(12).simplified().split(' ').contains("kbd");
    } else if (line.startsWith("B: KEY=")) {
        const QList<QByteArray> words = line.mid(7).simplified().split(' ');
        bool ok = false;
        const quint64 low = words.last().toULongLong(&ok, 16);
        block.lowKeys = ok ? low : 0;
    }
}

QString busSegment(int bus) {
    switch (bus) {
        case kBusUsb:
        case kBusBluetooth:
        case kBusI2c:
            return QStringLiteral("HID");
        case kBusI8042:
            return QStringLiteral("ACPI");
        default:
            return QStringLiteral("ROOT");
    }
}

QString hex4(int value) {
    return QString::number(value, 16).toUpper().rightJustified(4, u'0');
}

InputDeviceEntry entryOf(const Block& block, int ordinal) {
    InputDeviceEntry entry;
    const bool keyboard = (block.lowKeys & kKeyboardKeys) == kKeyboardKeys;
    entry.device.type = keyboard ? rawdevice::kKeyboard : rawdevice::kHid;
    const QString instance = block.inputNumber >= 0
                                 ? QStringLiteral("input%1").arg(block.inputNumber)
                                 : QStringLiteral("device%1").arg(ordinal);
    entry.device.handle = block.inputNumber >= 0 ? quint32(0x00010000 + block.inputNumber)
                                                 : quint32(0x00020000 + ordinal);
    const QString bus = busSegment(block.bus);
    entry.interfaceName = QStringLiteral("\\\\?\\%1#VID_%2&PID_%3#%4#%5")
                              .arg(bus, hex4(block.vendor), hex4(block.product), instance.toUpper(),
                                   kKeyboardClassGuid);
    entry.description = bus == QLatin1String("HID") && keyboard ? kScannerMarker : block.name;
    return entry;
}

}  // namespace

QList<InputDeviceEntry> parseInputDevices(const QByteArray& text) {
    QList<InputDeviceEntry> entries;
    Block block;
    bool inBlock = false;
    int ordinal = 0;
    const auto finish = [&] {
        if (inBlock && block.kbdHandler) {
            entries << entryOf(block, ordinal);
        }
        if (inBlock) {
            ++ordinal;
        }
        block = Block();
        inBlock = false;
    };
    for (const QByteArray& raw : text.split('\n')) {
        const QByteArray line = raw.trimmed();
        if (line.isEmpty()) {
            finish();
            continue;
        }
        inBlock = true;
        readLine(block, line);
    }
    finish();
    return entries;
}

ProcInputDevices::ProcInputDevices(QString path) : path_(std::move(path)) {}

std::optional<QList<RawInputDevice>> ProcInputDevices::deviceList() {
    names_.clear();
    descriptions_.clear();
    // A FIFO or a device file could block or never end; the kernel's file is a regular one.
    const QFileInfo info(path_);
    if (!info.isFile()) {
        return std::nullopt;
    }
    QFile file(path_);
    if (!file.open(QIODevice::ReadOnly)) {
        return std::nullopt;
    }
    const QByteArray text = file.read(kMaxFileSize + 1);
    if (text.size() > kMaxFileSize) {
        return std::nullopt;
    }
    QList<RawInputDevice> devices;
    for (const InputDeviceEntry& entry : parseInputDevices(text)) {
        devices << entry.device;
        names_.insert(entry.device.handle, entry.interfaceName);
        descriptions_.insert(deviceKeyPath(entry.interfaceName), entry.description);
    }
    return devices;
}

bool ProcInputDevices::hasDeviceInfo(quint32 handle) {
    return names_.contains(handle);
}

QString ProcInputDevices::deviceName(quint32 handle) {
    return names_.value(handle);
}

std::optional<QString> ProcInputDevices::deviceDescription(const QString& keyPath) {
    const auto it = descriptions_.constFind(keyPath);
    if (it == descriptions_.constEnd()) {
        return std::nullopt;
    }
    return *it;
}
