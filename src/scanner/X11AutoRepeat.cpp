#include "scanner/X11AutoRepeat.h"

#include <QGuiApplication>

// After Qt: Xlib's macros (KeyPress, None, ...) would clash with Qt's names.
#include <X11/XKBlib.h>

namespace x11keys {

bool enableDetectableAutoRepeat() {
    auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
    if (app == nullptr) {
        return false;
    }
    auto* x11 = app->nativeInterface<QNativeInterface::QX11Application>();
    if (x11 == nullptr || x11->display() == nullptr) {
        return false;
    }
    // A flag of this client's connection: it holds until the program ends.
    Bool supported = False;
    return XkbSetDetectableAutoRepeat(x11->display(), True, &supported) == True &&
           supported == True;
}

}  // namespace x11keys
