#pragma once

#include <QString>
#include <functional>
#include <memory>

#include "update/UpdateCheck.h"

class KeyboardDeviceSource;
class Prompts;
class QWidget;
class SoundPlayer;
class MainWindow;

// What the program's start takes from outside, so that a test can run the whole start
// in-process. Every empty member means the program's own.
struct ProgramSeams {
    Prompts* prompts = nullptr;                                              // Qt dialogs
    std::function<std::unique_ptr<KeyboardDeviceSource>()> keyboardDevices;  // the kernel's list
    std::function<bool()> checkUpdate;         // the update check against config.ini's service
    updatecheck::HttpTimeouts updateTimeouts;  // the limits of the program's own update check
    // Called once the start-up indication is shown, while the update check runs.
    std::function<void(QWidget& indication)> indicationShown;
    std::function<std::unique_ptr<SoundPlayer>()> soundPlayer;  // Qt Multimedia
    std::function<void(const QString& program, const QString& arguments)> startUpdater;
    QString instanceTitle;  // the application title: the single-instance name
    // Called once the main window is shown, before the message loop runs.
    std::function<void(MainWindow&)> mainWindowShown;
};

// The program: single instance, update check and hand-off, start-up preparation, the main
// window and the message loop, with the top-level error display. Always returns 0.
int runProgram(int& argc, char** argv, ProgramSeams seams = {});
