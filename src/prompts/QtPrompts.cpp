#include "prompts/QtPrompts.h"

#include <QApplication>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QPrintDialog>
#include <QPrinter>
#include <QProgressBar>
#include <QPushButton>
#include <QThread>
#include <QVBoxLayout>
#include <limits>

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

QFileDialog::FileMode fileModeFor(const FileDialogRequest& request, QFileDialog::AcceptMode mode) {
    if (mode == QFileDialog::AcceptSave) {
        return QFileDialog::AnyFile;
    }
    switch (request.pick) {
        case FileDialogRequest::Pick::SeveralFiles:
            return QFileDialog::ExistingFiles;
        case FileDialogRequest::Pick::Folder:
            return QFileDialog::Directory;
        case FileDialogRequest::Pick::OneFile:
            break;
    }
    return QFileDialog::ExistingFile;
}

std::optional<FileDialogResult> runFileDialog(const FileDialogRequest& request,
                                              QFileDialog::AcceptMode mode) {
    QFileDialog dialog(ownerWidget(request.owner), request.caption);
    dialog.setAcceptMode(mode);
    dialog.setFileMode(fileModeFor(request, mode));
    dialog.setOption(QFileDialog::ShowDirsOnly, request.pick == FileDialogRequest::Pick::Folder);
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
    result.paths = dialog.selectedFiles();
    result.filterIndex =
        filters.isEmpty() ? 1 : int(names.indexOf(dialog.selectedNameFilter())) + 1;
    if (result.filterIndex < 1) {
        result.filterIndex = 1;
    }
    return result;
}

// A modal window over the owner's window: a label, a bar of done against total (a moving bar
// when the total is unknown) and, when the task can stop, a "取消" button, which Esc and the
// window's close box also press.
class ProgressDialog final : public QDialog {
public:
    explicit ProgressDialog(const ProgressRequest& request)
        : QDialog(ownerWidget(request.owner)),
          scale_(request.total > std::numeric_limits<int>::max() ? 1024 : 1),
          cancel_(request.cancel) {
        setWindowTitle(request.caption);
        setModal(true);
        setWindowFlag(Qt::WindowContextHelpButtonHint, false);
        setWindowFlag(Qt::WindowCloseButtonHint, bool(cancel_));
        label_ = new QLabel(request.label, this);
        bar_ = new QProgressBar(this);
        bar_->setRange(0, int(request.total / scale_));
        bar_->setValue(0);
        auto* layout = new QVBoxLayout(this);
        layout->addWidget(label_);
        layout->addWidget(bar_);
        if (cancel_) {
            auto* button = new QPushButton(QStringLiteral("取消"), this);
            button->setAutoDefault(false);
            connect(button, &QPushButton::clicked, this, &ProgressDialog::reject);
            auto* row = new QHBoxLayout;
            row->addStretch();
            row->addWidget(button);
            layout->addLayout(row);
        }
        setMinimumWidth(340);
    }

    void setProgress(qint64 done) {
        if (bar_->maximum() > 0) {
            bar_->setValue(int(std::min<qint64>(done / scale_, bar_->maximum())));
        }
    }
    QLabel* label() const { return label_; }

    void reject() override {
        if (cancel_ && !cancelled_) {
            cancelled_ = true;
            cancel_();
        }
    }

private:
    QLabel* label_;
    QProgressBar* bar_;
    qint64 scale_;
    std::function<void()> cancel_;
    bool cancelled_ = false;
};

class ProgressDialogWindow final : public ProgressWindow {
public:
    explicit ProgressDialogWindow(const ProgressRequest& request) : dialog_(request) {
        dialog_.show();
    }
    void setProgress(qint64 done, const QString& label) override {
        dialog_.label()->setText(label);
        dialog_.setProgress(done);
    }

private:
    ProgressDialog dialog_;
};

}  // namespace

MsgAnswer QtPrompts::message(QObject* owner, const QString& caption, const QString& text,
                             MsgIcon icon, MsgButtons buttons, const QString& detailsCaption) {
    return onUiThread([&] {
        const QMessageBox::StandardButtons shown =
            buttons == MsgButtons::OkCancel ? QMessageBox::Ok | QMessageBox::Cancel
            : buttons == MsgButtons::YesNo  ? QMessageBox::Yes | QMessageBox::No
                                            : QMessageBox::Ok;
        QMessageBox box(boxIcon(icon), caption, text, shown, ownerWidget(owner));
        QAbstractButton* details = nullptr;
        if (buttons == MsgButtons::OkDetails) {
            details = box.addButton(detailsCaption, QMessageBox::ActionRole);
        }
        if (buttons == MsgButtons::YesNo) {
            box.setDefaultButton(QMessageBox::No);
        }
        const int answer = box.exec();
        if (details != nullptr && box.clickedButton() == details) {
            return MsgAnswer::Details;
        }
        return answer == QMessageBox::Ok || answer == QMessageBox::Yes ? MsgAnswer::Ok
                                                                       : MsgAnswer::Cancel;
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

std::unique_ptr<ProgressWindow> QtPrompts::showProgress(const ProgressRequest& request) {
    return std::make_unique<ProgressDialogWindow>(request);
}

bool QtPrompts::print(QObject* owner, const QString& caption, const PaintPages& paint) {
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageSize(QPageSize(QPageSize::A4));
    QPrintDialog dialog(&printer, ownerWidget(owner));
    dialog.setWindowTitle(caption);
    if (dialog.exec() != QDialog::Accepted) {
        return false;
    }
    paint(printer);
    return true;
}
