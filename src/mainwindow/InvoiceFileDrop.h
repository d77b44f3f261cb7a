#pragma once

#include <QObject>
#include <QStringList>
#include <functional>

class QMimeData;
class QWidget;

// Files and folders dropped anywhere on a window, its edit fields included, are handed on as
// local paths; a drop of anything else is left to the widget under it.
class InvoiceFileDrop final : public QObject {
public:
    InvoiceFileDrop(QWidget* window, std::function<void(const QStringList&)> onDrop);

    // The local files and folders a drag carries; empty when it carries none.
    static QStringList localPaths(const QMimeData* data);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::function<void(const QStringList&)> onDrop_;
};
