#include <gtest/gtest.h>

#include "FakeClock.h"
#include "FakeDevices.h"
#include "TempExeDir.h"
#include "TestFiles.h"

namespace {

class DeviceCheck : public ::testing::Test {
protected:
    FakeClock clock{QDateTime(QDate(2024, 3, 1), QTime(9, 0, 0))};
    TempExeDir dir;
    FakeDevices fake;

    QStringList log() const { return testfiles::logMessages(dir.logPath()); }
};

TEST(DeviceKeyPath, TakesTheFirstThreeSegmentsAfterThePrefix) {
    EXPECT_EQ(deviceKeyPath("\\\\?\\HID#VID_0C2E&PID_0B61&MI_00#7&2a8e2b0&0&0000#{884b96c3}"),
              "System\\CurrentControlSet\\Enum\\HID\\VID_0C2E&PID_0B61&MI_00\\7&2a8e2b0&0&0000");
    EXPECT_EQ(deviceKeyPath("\\\\?\\A#B#C#D#{guid}"), "System\\CurrentControlSet\\Enum\\A\\B\\C");
    EXPECT_EQ(deviceKeyPath("\\\\?\\ACPI#PNP0303"), "System\\CurrentControlSet\\Enum\\ACPI\\\\");
    EXPECT_EQ(deviceKeyPath("ab"), "System\\CurrentControlSet\\Enum\\\\\\");
}

TEST_F(DeviceCheck, ListsTwoEntriesPerKeyboardOrHidDeviceAndSkipsMice) {
    fake.addHid(0x0001003B, "VID_0C2E&PID_0B61", "HID Keyboard Device");
    fake.devices.append({0x00010041, rawdevice::kMouse, "\\\\?\\HID#VID_046D&PID_C077#1#{g}"});
    fake.addHid(0x2A0F11, "VID_046D&PID_C52B", "HID-compliant consumer control device",
                rawdevice::kHid);
    fake.devices.append({0x0009, rawdevice::kKeyboard, "\\\\?\\ACPI#PNP0303#{g}"});
    EXPECT_EQ(EnumerateKeyboardDevices(fake),
              (QStringList{"0001003b", "HID Keyboard Device", "002a0f11",
                           "HID-compliant consumer control device", "00000009", ""}));
}

TEST_F(DeviceCheck, AnUnreadableDeviceEndsTheListThere) {
    fake.addHid(0x10, "VID_0001&PID_0001", "Keyboard one");
    fake.addHid(0x11, "VID_0002&PID_0002", "Keyboard two");
    fake.addHid(0x12, "VID_0003&PID_0003", "Keyboard three");
    fake.devices[1].info = false;
    EXPECT_EQ(EnumerateKeyboardDevices(fake), (QStringList{"00000010", "Keyboard one"}));
    fake.devices[1].info = true;
    fake.devices[1].name.clear();
    EXPECT_EQ(EnumerateKeyboardDevices(fake), (QStringList{"00000010", "Keyboard one"}));
    fake.countFails = true;
    EXPECT_TRUE(EnumerateKeyboardDevices(fake).isEmpty());
}

TEST_F(DeviceCheck, NoDevicesLeavesTheWarningAndTheLogAlone) {
    EXPECT_FALSE(CheckScannerPresence({}).has_value());
    EXPECT_TRUE(log().isEmpty());
}

TEST_F(DeviceCheck, WithoutTheMarkerEveryEntryIsLoggedAndTheWarningShown) {
    fake.addHid(0x10, "VID_0001&PID_0001", "Standard PS/2 Keyboard");
    EXPECT_EQ(CheckScannerPresence(EnumerateKeyboardDevices(fake)), std::optional<bool>(true));
    EXPECT_EQ(log(), (QStringList{"设备名称：00000010", "设备名称：Standard PS/2 Keyboard"}));
}

TEST_F(DeviceCheck, TheMarkerInTheSecondDeviceStopsTheCheckThere) {
    fake.addHid(0x10, "VID_0001&PID_0001", "Standard PS/2 Keyboard");
    fake.addHid(0x20, "VID_0C2E&PID_0B61",
                "@keyboard.inf,%hid.keyboarddevice%;HID Keyboard Device");
    fake.addHid(0x30, "VID_0003&PID_0003", "Another keyboard");
    EXPECT_EQ(CheckScannerPresence(EnumerateKeyboardDevices(fake)), std::optional<bool>(false));
    EXPECT_EQ(
        log(),
        (QStringList{"设备名称：00000010", "设备名称：Standard PS/2 Keyboard", "设备名称：00000020",
                     "设备名称：@keyboard.inf,%hid.keyboarddevice%;HID Keyboard Device"}));
}

TEST_F(DeviceCheck, TheMarkerIsMatchedWithItsCase) {
    EXPECT_EQ(CheckScannerPresence({"00000010", "hid keyboard device"}), std::optional<bool>(true));
}

}  // namespace
