#include "scanner/InputDevices.h"

#include "base/DailyLog.h"
#include "base/Paths.h"

QString deviceKeyPath(const QString& interfaceName) {
    QString rest = interfaceName.mid(4);  // the \\?\ prefix
    QString segments[3];
    int found = 0;
    for (;;) {
        const qsizetype hash = rest.indexOf(u'#');
        if (hash < 0) {
            break;
        }
        if (found < 3) {
            segments[found] = rest.left(hash);
        }
        ++found;
        rest.remove(0, hash + 1);
    }
    return QStringLiteral("System\\CurrentControlSet\\Enum\\") + segments[0] + u'\\' + segments[1] +
           u'\\' + segments[2];
}

QString LookupDeviceDescription(KeyboardDeviceSource& source, const QString& interfaceName) {
    return source.deviceDescription(deviceKeyPath(interfaceName)).value_or(QString());
}

QStringList EnumerateKeyboardDevices(KeyboardDeviceSource& source) {
    QStringList list;
    const std::optional<QList<RawInputDevice>> devices = source.deviceList();
    if (!devices) {
        return list;
    }
    for (const RawInputDevice& device : *devices) {
        if (device.type != rawdevice::kKeyboard && device.type != rawdevice::kHid) {
            continue;
        }
        if (!source.hasDeviceInfo(device.handle)) {
            break;
        }
        const QString name = source.deviceName(device.handle);
        if (name.isEmpty()) {
            break;
        }
        list << QStringLiteral("%1").arg(device.handle, 8, 16, QLatin1Char('0'));
        list << LookupDeviceDescription(source, name);
    }
    return list;
}

std::optional<bool> CheckScannerPresence(const QStringList& devices) {
    std::optional<bool> showWarning;
    for (const QString& entry : devices) {
        WriteLog(GetExeDir(), QStringLiteral("设备名称：") + entry);
        if (entry.contains(kScannerMarker)) {
            return false;
        }
        showWarning = true;
    }
    return showWarning;
}
