#pragma once

#include <QByteArray>

// The bytes of the key releases captured since the last complete scan. It only tells when a scan
// is complete: the scanner ends every scan with Enter.
class ScanBuffer {
public:
    // Notes one key release by its virtual-key code. A Shift release only sets the shift flag;
    // any other key appends one byte (a letter in lower case unless Shift was released just
    // before it) and clears the flag.
    void keyReleased(quint8 vk);

    // True when the buffer holds a carriage return and its first one is its last byte.
    bool IsScanComplete() const;

    void clear() { bytes_.clear(); }
    const QByteArray& bytes() const { return bytes_; }
    bool shiftFlag() const { return shift_; }

private:
    QByteArray bytes_;
    bool shift_ = false;
};
