#include "scanner/ScanBuffer.h"

#include "scanner/VirtualKeys.h"

void ScanBuffer::keyReleased(quint8 vk) {
    if (vk == vkeys::kShift) {
        shift_ = true;
        return;
    }
    const bool letter = vk >= 0x41 && vk <= 0x5A;
    bytes_.append(char(!shift_ && letter ? vk + 0x20 : vk));
    shift_ = false;
}

bool ScanBuffer::IsScanComplete() const {
    const qsizetype first = bytes_.indexOf('\r');
    return first >= 0 && first == bytes_.size() - 1;
}
