#pragma once

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>

// Every message box, file dialog and input box of the program goes through this interface.
// The program shows Qt dialogs; tests install a fake that records each call and answers from a
// script. Calls may come from any thread: an implementation shows its dialogs on the UI thread.

enum class MsgIcon { None, Information, Warning, Question, Stop };
// OkDetails: OK and a second button named by detailsCaption, answered Details. YesNo: 是 answered
// Ok and 否 answered Cancel, 否 the default, so that a stray Enter declines.
enum class MsgButtons { Ok, OkCancel, OkDetails, YesNo };
enum class MsgAnswer { Ok, Cancel, Details };

struct FileFilter {
    QString description;  // "文本文件(*.txt)"
    QString pattern;      // "*.txt"
};

struct FileDialogRequest {
    QObject* owner = nullptr;
    QString caption;
    QString proposedName;  // put into the file name box
    QList<FileFilter> filters;
    int selectedFilter = 1;  // 1-based, as the type indexes of the save dialogs
    // What an open dialog picks: one file, several files, or a folder.
    enum class Pick { OneFile, SeveralFiles, Folder };
    Pick pick = Pick::OneFile;
};

struct FileDialogResult {
    FileDialogResult() = default;
    FileDialogResult(QString chosen, int filter = 1, QStringList all = {})
        : path(std::move(chosen)), filterIndex(filter), paths(std::move(all)) {}

    QString path;         // the file or folder chosen (the first of several)
    int filterIndex = 1;  // 1-based
    QStringList paths;    // every file chosen, when several may be
};

// A window that shows how far a long task has come, open while its handle lives.
struct ProgressRequest {
    QObject* owner = nullptr;
    QString caption;
    QString label;
    qint64 total = 0;              // 0: the task cannot say how long it takes
    std::function<void()> cancel;  // the "取消" button; none when empty
};

class QPagedPaintDevice;
// Fills the pages of a document on the device it is given (a printer).
using PaintPages = std::function<void(QPagedPaintDevice& device)>;

class ProgressWindow {
public:
    virtual ~ProgressWindow() = default;
    virtual void setProgress(qint64 done, const QString& label) = 0;
};

class Prompts {
public:
    virtual ~Prompts() = default;

    virtual MsgAnswer message(QObject* owner, const QString& caption, const QString& text,
                              MsgIcon icon, MsgButtons buttons = MsgButtons::Ok,
                              const QString& detailsCaption = QString()) = 0;
    virtual std::optional<FileDialogResult> saveFile(const FileDialogRequest& request) = 0;
    virtual std::optional<FileDialogResult> openFile(const FileDialogRequest& request) = 0;
    // The input box: nothing when cancelled, else the edited text.
    virtual std::optional<QString> inputText(QObject* owner, const QString& caption,
                                             const QString& prompt, const QString& initial) = 0;
    // Shows the progress of a long task (UI thread only). Without an implementation nothing is
    // shown.
    virtual std::unique_ptr<ProgressWindow> showProgress(const ProgressRequest& request);
    // The system's print dialog (UI thread only): the pages are painted on the printer the clerk
    // picks. False when cancelled; without an implementation nothing is printed.
    virtual bool print(QObject* owner, const QString& caption, const PaintPages& paint);
};

namespace appprompts {

// The installed prompts. Until one is installed, a silent one answers Ok and cancels dialogs.
Prompts& get();
void install(Prompts* prompts);

}  // namespace appprompts
