#include "sound/OutcomeSounds.h"

namespace {

SoundKind kindOf(Registration::Result result) {
    switch (result) {
        case Registration::Result::Registered:
            return SoundKind::Registered;
        case Registration::Result::AlreadyRecorded:
            return SoundKind::AlreadyRecorded;
        case Registration::Result::Failed:
            break;
    }
    return SoundKind::Failed;
}

}  // namespace

void OutcomeSounds::registration(Registration::Result result) const {
    if (player_ != nullptr) {
        player_->play(kindOf(result));
    }
}

void OutcomeSounds::notAnInvoice() const {
    if (player_ != nullptr) {
        player_->play(SoundKind::Failed);
    }
}
