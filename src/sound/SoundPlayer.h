#pragma once

// The sounds the program makes, one for each kind of outcome a clerk hears without looking.
enum class SoundKind {
    Registered,       // 报销成功
    AlreadyRecorded,  // 已报销
    Failed,           // 登记失败 and the like: nothing was recorded
};

// Plays a sound and returns at once; a player that cannot play stays silent.
class SoundPlayer {
public:
    virtual ~SoundPlayer() = default;
    virtual void play(SoundKind kind) = 0;
};
