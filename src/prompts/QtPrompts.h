#pragma once

#include "prompts/Prompts.h"

// The program's prompts: Qt message boxes, file dialogs, the input box and progress windows, always
// shown on the UI thread (a call from another thread waits for the answer).
class QtPrompts final : public Prompts {
public:
    MsgAnswer message(QObject* owner, const QString& caption, const QString& text, MsgIcon icon,
                      MsgButtons buttons, const QString& detailsCaption) override;
    std::optional<FileDialogResult> saveFile(const FileDialogRequest& request) override;
    std::optional<FileDialogResult> openFile(const FileDialogRequest& request) override;
    std::optional<QString> inputText(QObject* owner, const QString& caption, const QString& prompt,
                                     const QString& initial) override;
    std::unique_ptr<ProgressWindow> showProgress(const ProgressRequest& request) override;
    bool print(QObject* owner, const QString& caption, const PaintPages& paint) override;
};
