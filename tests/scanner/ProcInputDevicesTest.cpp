#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QTemporaryDir>

#include "TestFiles.h"
#include "scanner/ProcInputDevices.h"

namespace {

// Captured from machines (names of makers replaced), trailing blanks as the kernel writes them.
const QByteArray kPowerButton =
    "I: Bus=0019 Vendor=0000 Product=0001 Version=0000\n"
    "N: Name=\"Power Button\"\n"
    "P: Phys=PNP0C0C/button/input0\n"
    "S: Sysfs=/devices/LNXSYSTM:00/LNXSYBUS:00/PNP0C0C:00/input/input0\n"
    "U: Uniq=\n"
    "H: Handlers=kbd event0 \n"
    "B: PROP=0\n"
    "B: EV=3\n"
    "B: KEY=10000000000000 0\n\n";
const QByteArray kPs2Keyboard =
    "I: Bus=0011 Vendor=0001 Product=0001 Version=ab41\n"
    "N: Name=\"AT Translated Set 2 keyboard\"\n"
    "P: Phys=isa0060/serio0/input0\n"
    "S: Sysfs=/devices/platform/i8042/serio0/input/input3\n"
    "U: Uniq=\n"
    "H: Handlers=sysrq kbd event3 leds \n"
    "B: PROP=0\n"
    "B: EV=120013\n"
    "B: KEY=402000000 3803078f800d001 feffffdfffefffff fffffffffffffffe\n"
    "B: MSC=10\n"
    "B: LED=7\n\n";
const QByteArray kUsbMouse =
    "I: Bus=0003 Vendor=046d Product=c077 Version=0111\n"
    "N: Name=\"Kelso USB Optical Mouse\"\n"
    "P: Phys=usb-0000:00:14.0-1/input0\n"
    "S: Sysfs=/devices/pci0000:00/0000:00:14.0/usb1/1-1/1-1:1.0/0003:046D:C077.0001/input/input5\n"
    "U: Uniq=\n"
    "H: Handlers=mouse0 event5 \n"
    "B: PROP=0\n"
    "B: EV=17\n"
    "B: KEY=ff0000 0 0 0 0\n"
    "B: REL=903\n\n";
const QByteArray kUsbScanner =
    "I: Bus=0003 Vendor=0c2e Product=0b61 Version=0111\n"
    "N: Name=\"Orvane Imaging 1900\"\n"
    "P: Phys=usb-0000:00:14.0-2/input0\n"
    "S: Sysfs=/devices/pci0000:00/0000:00:14.0/usb1/1-2/1-2:1.0/0003:0C2E:0B61.0002/input/input12\n"
    "U: Uniq=\n"
    "H: Handlers=sysrq kbd event6 leds \n"
    "B: PROP=0\n"
    "B: EV=120013\n"
    "B: KEY=1000000000007 ff9f207ac14057ff febeffdfffefffff fffffffffffffffe\n"
    "B: MSC=10\n"
    "B: LED=1f\n\n";
const QByteArray kUsbConsumerControl =
    "I: Bus=0003 Vendor=046d Product=c52b Version=0111\n"
    "N: Name=\"Kelso USB Receiver Consumer Control\"\n"
    "S: Sysfs=/devices/pci0000:00/0000:00:14.0/usb1/1-3/1-3:1.2/0003:046D:C52B.0004/input/input9\n"
    "H: Handlers=kbd event8 \n"
    "B: EV=1f\n"
    "B: KEY=3f000303ff 0 0 483ffff17aff32d bfd4444600000000 1 130ff38b17d000 677bfad9415fed "
    "9ed68000004400 10000002\n\n";

QStringList enumerate(const QByteArray& text) {
    QTemporaryDir dir;
    const QString path = dir.filePath("devices");
    testfiles::writeBytes(path, text);
    ProcInputDevices source(path);
    return EnumerateKeyboardDevices(source);
}

TEST(ProcInputDevices, AMachineWithAUsbScanner) {
    EXPECT_EQ(enumerate(kPowerButton + kPs2Keyboard + kUsbMouse + kUsbScanner),
              (QStringList{"00010000", "Power Button", "00010003", "AT Translated Set 2 keyboard",
                           "0001000c", "HID Keyboard Device"}));
}

TEST(ProcInputDevices, AMachineWithOnlyAPs2Keyboard) {
    const QStringList list = enumerate(kPowerButton + kPs2Keyboard + kUsbMouse);
    EXPECT_EQ(list, (QStringList{"00010000", "Power Button", "00010003",
                                 "AT Translated Set 2 keyboard"}));
    EXPECT_EQ(CheckScannerPresence(list), std::optional<bool>(true));
}

TEST(ProcInputDevices, TheScannerAsSecondDevice) {
    const QStringList list = enumerate(kPs2Keyboard + kUsbScanner + kUsbConsumerControl);
    EXPECT_EQ(list, (QStringList{"00010003", "AT Translated Set 2 keyboard", "0001000c",
                                 "HID Keyboard Device", "00010009",
                                 "Kelso USB Receiver Consumer Control"}));
}

TEST(ProcInputDevices, HidDevicesGetInterfaceNamesInTheWindowsForm) {
    const QList<InputDeviceEntry> entries = parseInputDevices(kUsbScanner + kUsbConsumerControl);
    ASSERT_EQ(entries.size(), 2);
    EXPECT_EQ(entries[0].interfaceName,
              "\\\\?\\HID#VID_0C2E&PID_0B61#INPUT12#{884b96c3-56ef-11d1-bc8c-08002be10318}");
    EXPECT_EQ(entries[0].device.type, rawdevice::kKeyboard);
    EXPECT_EQ(entries[1].device.type, rawdevice::kHid);  // no letter keys: not a keyboard
}

TEST(ProcInputDevices, OddOrUnreadableFilesGiveNoDevices) {
    QTemporaryDir dir;
    EXPECT_TRUE(enumerate(QByteArray()).isEmpty());
    EXPECT_TRUE(enumerate(QByteArray("\x00\xff\x13garbage\n\n\nI: Bus=zz\n", 22)).isEmpty());
    EXPECT_TRUE(enumerate(QByteArray(3 << 20, 'x')).isEmpty());

    ProcInputDevices missing(dir.filePath("none"));
    EXPECT_FALSE(missing.deviceList().has_value());
    ProcInputDevices directory(dir.path());
    EXPECT_FALSE(directory.deviceList().has_value());
    // A FIFO with no writer would block an ordinary open for ever.
    const QString fifo = dir.filePath("fifo");
    ASSERT_EQ(mkfifo(fifo.toLocal8Bit().constData(), 0600), 0);
    ProcInputDevices pipe(fifo);
    EXPECT_FALSE(pipe.deviceList().has_value());
}

TEST(ProcInputDevices, AKeyboardBlockWithMissingLinesIsStillListed) {
    const QList<InputDeviceEntry> entries =
        parseInputDevices("N: Name=\"Bare\"\nH: Handlers=kbd\nB: KEY=50000000\n");
    ASSERT_EQ(entries.size(), 1);
    EXPECT_EQ(entries[0].device.handle, 0x00020000u);
    EXPECT_EQ(entries[0].description, "Bare");
    EXPECT_EQ(entries[0].interfaceName,
              "\\\\?\\ROOT#VID_0000&PID_0000#DEVICE0#{884b96c3-56ef-11d1-bc8c-08002be10318}");
}

}  // namespace
