#pragma once

#include <QThread>

#include "sound/SoundPlayer.h"

class SoundBank;

// The program's sounds (built into the executable) played with Qt Multimedia on a thread of
// their own: play() only posts, so a scan never waits for the sound system. Without a sound
// device nothing is heard and nothing is reported.
class QtSoundPlayer final : public SoundPlayer {
public:
    QtSoundPlayer();
    ~QtSoundPlayer() override;

    void play(SoundKind kind) override;

    // The resource each kind is played from.
    static QString source(SoundKind kind);

private:
    QThread thread_;
    SoundBank* bank_;  // lives on thread_
};
