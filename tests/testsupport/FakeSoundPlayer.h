#pragma once

#include <QList>
#include <ostream>

#include "sound/SoundPlayer.h"

// Keeps the sounds asked for, in order.
class FakeSoundPlayer final : public SoundPlayer {
public:
    void play(SoundKind kind) override { played << kind; }
    QList<SoundKind> played;
};

inline void PrintTo(SoundKind kind, std::ostream* os) {
    switch (kind) {
        case SoundKind::Registered:
            *os << "Registered";
            return;
        case SoundKind::AlreadyRecorded:
            *os << "AlreadyRecorded";
            return;
        case SoundKind::Failed:
            *os << "Failed";
            return;
    }
}
