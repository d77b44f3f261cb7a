#include <gtest/gtest.h>

#include "scanner/ScanBuffer.h"

namespace {

void release(ScanBuffer& b, std::initializer_list<int> keys) {
    for (int k : keys) {
        b.keyReleased(quint8(k));
    }
}

TEST(ScanBuffer, LettersAreLowerCaseUnlessShiftWasReleasedJustBefore) {
    ScanBuffer b;
    // A capital typed as Shift down, A down, A up, Shift up: A's release comes first.
    release(b, {0x41, 0x10});
    EXPECT_EQ(b.bytes(), QByteArray("a"));
    EXPECT_TRUE(b.shiftFlag());
    release(b, {0x42, 0x43});
    EXPECT_EQ(b.bytes(), QByteArray("aBc"));
    EXPECT_FALSE(b.shiftFlag());
}

TEST(ScanBuffer, DigitsStayAndOtherKeysKeepTheirCodes) {
    ScanBuffer b;
    release(b, {0x10, 0x31, 0xBC, 0xBE, 0xBD, 0x0D});
    EXPECT_EQ(b.bytes(), QByteArray("1\xBC\xBE\xBD\r"));
}

TEST(ScanBuffer, CompleteExactlyWhenTheFirstCarriageReturnIsTheLastByte) {
    ScanBuffer b;
    EXPECT_FALSE(b.IsScanComplete());
    release(b, {0x31, 0x32});
    EXPECT_FALSE(b.IsScanComplete());
    release(b, {0x0D});
    EXPECT_TRUE(b.IsScanComplete());
    release(b, {0x33});
    EXPECT_FALSE(b.IsScanComplete());  // inner carriage return
    release(b, {0x0D});
    EXPECT_FALSE(b.IsScanComplete());  // still: the first one is not the last byte
    b.clear();
    EXPECT_TRUE(b.bytes().isEmpty());
    release(b, {0x0D});
    EXPECT_TRUE(b.IsScanComplete());
}

}  // namespace
