#pragma once

#include <QSplashScreen>

// The small frameless window that says the program is starting while the update check runs, so
// that a clerk who started it sees something at once instead of starting it again.
class StartingIndication final : public QSplashScreen {
public:
    StartingIndication();
};
