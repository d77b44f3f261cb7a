#pragma once

#include "sound/SoundPlayer.h"
#include "store/InvoiceStore.h"

// Which sound an outcome makes, played through the player handed in. Without a player (sounds
// turned off in config.ini, or none given) every outcome is silent.
class OutcomeSounds {
public:
    explicit OutcomeSounds(SoundPlayer* player = nullptr) : player_(player) {}

    void registration(Registration::Result result) const;
    // A complete scan that is no invoice: nothing could be recorded.
    void notAnInvoice() const;

private:
    SoundPlayer* player_;
};
