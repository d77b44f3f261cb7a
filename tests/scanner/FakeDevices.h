#pragma once

#include <QHash>
#include <QList>

#include "scanner/InputDevices.h"

// Keyboard devices as a test wants them: handle, type, interface name, and descriptions by key
// path; any step can be made to fail.
class FakeDevices final : public KeyboardDeviceSource {
public:
    struct Device {
        quint32 handle;
        int type;
        QString name;
        bool info = true;
    };

    bool countFails = false;
    QList<Device> devices;
    QHash<QString, QString> descriptions;

    // An HID device whose registry key holds the description.
    void addHid(quint32 handle, const QString& vidPid, const QString& description,
                int type = rawdevice::kKeyboard) {
        const QString instance = QStringLiteral("7&%1&0&0000").arg(handle, 0, 16);
        devices.append({handle, type,
                        QStringLiteral("\\\\?\\HID#%1#%2#{884b96c3-56ef-11d1-bc8c-08002be10318}")
                            .arg(vidPid, instance)});
        descriptions.insert(
            QStringLiteral("System\\CurrentControlSet\\Enum\\HID\\%1\\%2").arg(vidPid, instance),
            description);
    }

    std::optional<QList<RawInputDevice>> deviceList() override {
        if (countFails) {
            return std::nullopt;
        }
        QList<RawInputDevice> list;
        for (const Device& d : devices) {
            list.append({d.handle, d.type});
        }
        return list;
    }
    bool hasDeviceInfo(quint32 handle) override { return find(handle).info; }
    QString deviceName(quint32 handle) override { return find(handle).name; }
    std::optional<QString> deviceDescription(const QString& keyPath) override {
        if (!descriptions.contains(keyPath)) {
            return std::nullopt;
        }
        return descriptions.value(keyPath);
    }

private:
    Device find(quint32 handle) const {
        for (const Device& d : devices) {
            if (d.handle == handle) {
                return d;
            }
        }
        return {0, 0, QString(), false};
    }
};
