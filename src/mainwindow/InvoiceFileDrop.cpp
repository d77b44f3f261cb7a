#include "mainwindow/InvoiceFileDrop.h"

#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <QWidget>

InvoiceFileDrop::InvoiceFileDrop(QWidget* window, std::function<void(const QStringList&)> onDrop)
    : QObject(window), onDrop_(std::move(onDrop)) {
    window->setAcceptDrops(true);
    window->installEventFilter(this);
    // An edit field takes a drag for itself before the window sees it.
    for (QWidget* child : window->findChildren<QWidget*>()) {
        child->installEventFilter(this);
    }
}

QStringList InvoiceFileDrop::localPaths(const QMimeData* data) {
    QStringList paths;
    if (data == nullptr || !data->hasUrls()) {
        return paths;
    }
    for (const QUrl& url : data->urls()) {
        if (url.isLocalFile() && !url.toLocalFile().isEmpty()) {
            paths << url.toLocalFile();
        }
    }
    return paths;
}

bool InvoiceFileDrop::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
        case QEvent::DragEnter:
        case QEvent::DragMove: {
            auto* drag = static_cast<QDragMoveEvent*>(event);
            if (localPaths(drag->mimeData()).isEmpty()) {
                break;
            }
            drag->setDropAction(Qt::CopyAction);
            drag->accept();
            return true;
        }
        case QEvent::Drop: {
            auto* drop = static_cast<QDropEvent*>(event);
            const QStringList paths = localPaths(drop->mimeData());
            if (paths.isEmpty()) {
                break;
            }
            drop->setDropAction(Qt::CopyAction);
            drop->accept();
            onDrop_(paths);
            return true;
        }
        default:
            break;
    }
    return QObject::eventFilter(watched, event);
}
