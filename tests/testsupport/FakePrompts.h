#pragma once

#include <QList>
#include <QMutex>
#include <QString>
#include <deque>
#include <functional>
#include <optional>

#include "prompts/Prompts.h"

// Records every prompt and answers from a script. Unscripted: message boxes answer Ok, file
// dialogs and input boxes are cancelled. Safe to call from any thread.
class FakePrompts final : public Prompts {
public:
    enum class Kind { Message, Save, Open, Input, Print };
    struct Call {
        Kind kind = Kind::Message;
        QObject* owner = nullptr;
        QString caption;
        QString text;  // message text, input prompt
        MsgIcon icon = MsgIcon::None;
        MsgButtons buttons = MsgButtons::Ok;
        QString detailsCaption;
        QString initial;  // input box value, proposed file name
        FileDialogRequest request;
    };

    FakePrompts();            // installs itself
    ~FakePrompts() override;  // uninstalls

    // Scripted answers, taken in order by the calls of their kind.
    void answerMessage(MsgAnswer answer);
    void answerFile(std::optional<FileDialogResult> result);  // save and open dialogs
    void answerInput(std::optional<QString> text);
    // Runs while a prompt is "open", before it answers (to look at the state or act).
    std::function<void(const Call&)> onCall;

    // The progress windows shown, apart from calls(): they ask nothing. A window's request keeps
    // its cancel button, which a test may press from any thread its task's work runs on.
    struct Progress {
        ProgressRequest request;
        QList<qint64> updates;  // the done counts shown, in order
        bool open = true;
    };
    QList<Progress> progressWindows() const;
    // Runs as a progress window opens (to press its cancel button, say).
    std::function<void(const ProgressRequest&)> onProgress;

    QList<Call> calls() const;
    QList<Call> messages() const;  // the message boxes alone
    QStringList messageTexts() const;
    void clear();

    MsgAnswer message(QObject* owner, const QString& caption, const QString& text, MsgIcon icon,
                      MsgButtons buttons, const QString& detailsCaption) override;
    std::optional<FileDialogResult> saveFile(const FileDialogRequest& request) override;
    std::optional<FileDialogResult> openFile(const FileDialogRequest& request) override;
    std::optional<QString> inputText(QObject* owner, const QString& caption, const QString& prompt,
                                     const QString& initial) override;
    std::unique_ptr<ProgressWindow> showProgress(const ProgressRequest& request) override;
    // Recorded with its caption; the print dialog is cancelled.
    bool print(QObject* owner, const QString& caption, const PaintPages& paint) override;

private:
    void record(const Call& call);
    std::optional<FileDialogResult> fileAnswer(Kind kind, const FileDialogRequest& request);

    mutable QMutex mutex_;
    QList<Call> calls_;
    QList<Progress> progress_;
    std::deque<MsgAnswer> messageAnswers_;
    std::deque<std::optional<FileDialogResult>> fileAnswers_;
    std::deque<std::optional<QString>> inputAnswers_;
};
