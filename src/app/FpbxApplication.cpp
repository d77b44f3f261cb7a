#include "app/FpbxApplication.h"

#include "prompts/ErrorDisplay.h"

bool FpbxApplication::notify(QObject* receiver, QEvent* event) {
    bool handled = false;
    runGuarded([&] { handled = QApplication::notify(receiver, event); });
    return handled;
}
