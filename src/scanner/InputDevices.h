#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

// The keyboard-class input devices, listed to warn when no scanner (an HID keyboard) is
// attached. The list serves the warning and the log only; keys are never filtered by device.

namespace rawdevice {
inline constexpr int kMouse = 0;
inline constexpr int kKeyboard = 1;
inline constexpr int kHid = 2;
}  // namespace rawdevice

struct RawInputDevice {
    quint32 handle = 0;
    int type = rawdevice::kKeyboard;
};

// Where the devices, their interface names (\\?\BUS#hardware id#instance#{class guid}) and
// their descriptions come from. The program reads them from the kernel; tests use a fake.
class KeyboardDeviceSource {
public:
    virtual ~KeyboardDeviceSource() = default;
    // The devices in the platform's order; nothing when even their number cannot be had.
    virtual std::optional<QList<RawInputDevice>> deviceList() = 0;
    // False when the device's information cannot be read.
    virtual bool hasDeviceInfo(quint32 handle) = 0;
    // The interface name; empty when it cannot be read.
    virtual QString deviceName(quint32 handle) = 0;
    // The description kept under a device key path; nothing when there is no such key.
    virtual std::optional<QString> deviceDescription(const QString& keyPath) = 0;
};

// The text a description is recognised as the scanner's by (a substring, case-sensitive).
inline const QString kScannerMarker = QStringLiteral("HID Keyboard Device");

// "System\CurrentControlSet\Enum\" + the first three "#"-separated segments of the interface
// name (after its 4-character prefix), joined with "\"; segments never found are empty.
QString deviceKeyPath(const QString& interfaceName);

// The description of the device with this interface name, empty when there is none.
QString LookupDeviceDescription(KeyboardDeviceSource& source, const QString& interfaceName);

// The device list: two entries per keyboard or HID device, its handle as 8 lower-case hex
// digits and its description. A device whose information or name cannot be read ends the list.
QStringList EnumerateKeyboardDevices(KeyboardDeviceSource& source);

// Logs "设备名称：" + entry for each entry up to the first that holds the marker. Returns whether
// the warning "请连接扫描枪！" is to be shown: false when the marker was found, true when it was
// not, nothing (leave the warning as it is) for an empty list.
std::optional<bool> CheckScannerPresence(const QStringList& devices);
