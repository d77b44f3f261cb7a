#pragma once

#include <QEvent>
#include <QPointer>
#include <QThread>
#include <functional>

// Message 3030: the worker's request to its dialog, after a successful import, to close.
inline constexpr QEvent::Type kImportDoneEvent = QEvent::Type(QEvent::User + 3030);

// The worker of one import: runs the dialog's RunImport on its own thread and, when that
// returns true, delivers message 3030 to the dialog and waits until the dialog has handled it.
// An error that escapes the import is shown by the top-level error display.
class ImportWorker final : public QThread {
    Q_OBJECT
public:
    ImportWorker(QObject* dialog, std::function<bool()> runImport);

protected:
    void run() override;

private:
    QPointer<QObject> dialog_;
    std::function<bool()> runImport_;
};
