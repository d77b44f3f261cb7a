#pragma once

// Turning the exclusive keyboard capture of scan mode on and off. Every window that needs typing
// is opened between an unhook and a hook.
class KeyboardHook {
public:
    virtual ~KeyboardHook() = default;
    virtual void hook() = 0;
    virtual void unhook() = 0;
};
