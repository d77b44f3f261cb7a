#include "import/ImportWorker.h"

#include <QCoreApplication>

#include "prompts/ErrorDisplay.h"

ImportWorker::ImportWorker(QObject* dialog, std::function<bool()> runImport)
    : dialog_(dialog), runImport_(std::move(runImport)) {}

void ImportWorker::run() {
    runGuarded([this] {
        if (!runImport_()) {
            return;
        }
        QObject* dialog = dialog_.data();
        if (dialog == nullptr || isInterruptionRequested()) {
            return;
        }
        // Sent on the dialog's thread; the worker goes on only when the dialog has closed.
        QMetaObject::invokeMethod(
            dialog,
            [dialog] {
                QEvent done(kImportDoneEvent);
                QCoreApplication::sendEvent(dialog, &done);
            },
            Qt::BlockingQueuedConnection);
    });
}
