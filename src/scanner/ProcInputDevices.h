#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>

#include "scanner/InputDevices.h"

// One keyboard-class device of /proc/bus/input/devices as the enumeration sees it.
struct InputDeviceEntry {
    RawInputDevice device;
    QString interfaceName;  // \\?\HID#VID_vvvv&PID_pppp#inputN#{keyboard class guid}
    QString description;    // "HID Keyboard Device" for an HID keyboard, else the kernel's name
};

// Every device of the text that has the kbd handler, in the file's order. A USB, Bluetooth or
// I2C device with the letter keys is an HID keyboard; other devices keep their kernel name.
QList<InputDeviceEntry> parseInputDevices(const QByteArray& text);

// The devices the kernel lists. The file is read afresh for every enumeration; one that cannot
// be read, is no regular file or is implausibly large gives no devices.
class ProcInputDevices final : public KeyboardDeviceSource {
public:
    explicit ProcInputDevices(QString path = QStringLiteral("/proc/bus/input/devices"));

    std::optional<QList<RawInputDevice>> deviceList() override;
    bool hasDeviceInfo(quint32 handle) override;
    QString deviceName(quint32 handle) override;
    std::optional<QString> deviceDescription(const QString& keyPath) override;

private:
    QString path_;
    QHash<quint32, QString> names_;
    QHash<QString, QString> descriptions_;  // stands in for the registry's DeviceDesc values
};
