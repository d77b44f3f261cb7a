#include "prompts/Prompts.h"

#include <QDebug>
#include <atomic>

namespace {

class SilentPrompts final : public Prompts {
public:
    MsgAnswer message(QObject*, const QString& caption, const QString& text, MsgIcon, MsgButtons,
                      const QString&) override {
        qWarning().noquote() << caption << ":" << text;
        return MsgAnswer::Ok;
    }
    std::optional<FileDialogResult> saveFile(const FileDialogRequest&) override { return {}; }
    std::optional<FileDialogResult> openFile(const FileDialogRequest&) override { return {}; }
    std::optional<QString> inputText(QObject*, const QString&, const QString&,
                                     const QString&) override {
        return {};
    }
};

SilentPrompts silent;
std::atomic<Prompts*> installed{&silent};

}  // namespace

bool Prompts::print(QObject*, const QString&, const PaintPages&) {
    return false;
}

std::unique_ptr<ProgressWindow> Prompts::showProgress(const ProgressRequest&) {
    return nullptr;
}

namespace appprompts {

Prompts& get() {
    return *installed.load();
}
void install(Prompts* prompts) {
    installed.store(prompts != nullptr ? prompts : &silent);
}

}  // namespace appprompts
