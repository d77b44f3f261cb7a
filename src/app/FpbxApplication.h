#pragma once

#include <QApplication>

// The application object: an error escaping an event handler is shown by the top-level error
// display and the message loop goes on.
class FpbxApplication final : public QApplication {
public:
    FpbxApplication(int& argc, char** argv) : QApplication(argc, argv) {}
    bool notify(QObject* receiver, QEvent* event) override;
};
