#include "ui/QtPrompts.h"

#include <QApplication>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QPointer>
#include <QThread>

namespace {

template <typename F>
auto onUiThread(F&& work) -> decltype(work()) {
    if (QThread::currentThread() == qApp->thread()) {
        return work();
    }
    decltype(work()) result{};
    QMetaObject::invokeMethod(
        qApp, [&] { result = work(); }, Qt::BlockingQueuedConnection);
    return result;
}

QWidget* ownerWidget(QObject* owner) {
    QWidget* widget = qobject_cast<QWidget*>(owner);
    return widget != nullptr ? widget->window() : nullptr;
}

QMessageBox::Icon boxIcon(MsgIcon icon) {
    switch (icon) {
        case MsgIcon::Information:
            return QMessageBox::Information;
        case MsgIcon::Warning:
            return QMessageBox::Warning;
        case MsgIcon::Question:
            return QMessageBox::Question;
        case MsgIcon::Stop:
            return QMessageBox::Critical;
        case MsgIcon::None:
            break;
    }
    return QMessageBox::NoIcon;
}

QString filterText(const QList<FileFilter>& filters) {
    QStringList parts;
    for (const FileFilter& f : filters) {
        // "文本文件(*.txt)" already names its pattern, which Qt reads from the parentheses.
        parts << (f.description.contains(u'(' + f.pattern + u')')
                      ? f.description
                      : f.description + QStringLiteral(" (") + f.pattern + u')');
    }
    return parts.join(QStringLiteral(";;"));
}

std::optional<FileDialogResult> runFileDialog(const FileDialogRequest& request,
                                              QFileDialog::AcceptMode mode) {
    QFileDialog dialog(ownerWidget(request.owner), request.caption);
    dialog.setAcceptMode(mode);
    dialog.setFileMode(mode == QFileDialog::AcceptSave ? QFileDialog::AnyFile
                                                       : QFileDialog::ExistingFile);
    // The program asks its own questions about existing files.
    dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    const QString filters = filterText(request.filters);
    QStringList names = filters.split(QStringLiteral(";;"));
    if (!filters.isEmpty()) {
        dialog.setNameFilters(names);
        const int index = qBound(1, request.selectedFilter, int(names.size())) - 1;
        dialog.selectNameFilter(names.at(index));
    }
    if (!request.proposedName.isEmpty()) {
        dialog.selectFile(request.proposedName);
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    FileDialogResult result;
    result.path = dialog.selectedFiles().constFirst();
    result.filterIndex =
        filters.isEmpty() ? 1 : int(names.indexOf(dialog.selectedNameFilter())) + 1;
    if (result.filterIndex < 1) {
        result.filterIndex = 1;
    }
    return result;
}

}  // namespace

MsgAnswer QtPrompts::message(QObject* owner, const QString& caption, const QString& text,
                             MsgIcon icon, MsgButtons buttons, const QString& detailsCaption) {
    return onUiThread([&] {
        QMessageBox box(boxIcon(icon), caption, text,
                        buttons == MsgButtons::OkCancel ? QMessageBox::Ok | QMessageBox::Cancel
                                                        : QMessageBox::Ok,
                        ownerWidget(owner));
        QAbstractButton* details = nullptr;
        if (buttons == MsgButtons::OkDetails) {
            details = box.addButton(detailsCaption, QMessageBox::ActionRole);
        }
        const int answer = box.exec();
        if (details != nullptr && box.clickedButton() == details) {
            return MsgAnswer::Details;
        }
        return answer == QMessageBox::Ok ? MsgAnswer::Ok : MsgAnswer::Cancel;
    });
}

std::optional<FileDialogResult> QtPrompts::saveFile(const FileDialogRequest& request) {
    return onUiThread([&] { return runFileDialog(request, QFileDialog::AcceptSave); });
}

std::optional<FileDialogResult> QtPrompts::openFile(const FileDialogRequest& request) {
    return onUiThread([&] { return runFileDialog(request, QFileDialog::AcceptOpen); });
}

std::optional<QString> QtPrompts::inputText(QObject* owner, const QString& caption,
                                            const QString& prompt, const QString& initial) {
    return onUiThread([&]() -> std::optional<QString> {
        bool ok = false;
        const QString text = QInputDialog::getText(ownerWidget(owner), caption, prompt,
                                                   QLineEdit::Normal, initial, &ok);
        if (!ok) {
            return std::nullopt;
        }
        return text;
    });
}
