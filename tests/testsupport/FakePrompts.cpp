#include "FakePrompts.h"

FakePrompts::FakePrompts() {
    appprompts::install(this);
}
FakePrompts::~FakePrompts() {
    appprompts::install(nullptr);
}

void FakePrompts::answerMessage(MsgAnswer answer) {
    QMutexLocker lock(&mutex_);
    messageAnswers_.push_back(answer);
}

void FakePrompts::answerFile(std::optional<FileDialogResult> result) {
    QMutexLocker lock(&mutex_);
    fileAnswers_.push_back(std::move(result));
}

void FakePrompts::answerInput(std::optional<QString> text) {
    QMutexLocker lock(&mutex_);
    inputAnswers_.push_back(std::move(text));
}

QList<FakePrompts::Progress> FakePrompts::progressWindows() const {
    QMutexLocker lock(&mutex_);
    return progress_;
}

QList<FakePrompts::Call> FakePrompts::calls() const {
    QMutexLocker lock(&mutex_);
    return calls_;
}

QList<FakePrompts::Call> FakePrompts::messages() const {
    QList<Call> result;
    for (const Call& call : calls()) {
        if (call.kind == Kind::Message) {
            result << call;
        }
    }
    return result;
}

QStringList FakePrompts::messageTexts() const {
    QStringList texts;
    for (const Call& call : messages()) {
        texts << call.text;
    }
    return texts;
}

void FakePrompts::clear() {
    QMutexLocker lock(&mutex_);
    calls_.clear();
    progress_.clear();
}

void FakePrompts::record(const Call& call) {
    {
        QMutexLocker lock(&mutex_);
        calls_ << call;
    }
    if (onCall) {
        onCall(call);
    }
}

MsgAnswer FakePrompts::message(QObject* owner, const QString& caption, const QString& text,
                               MsgIcon icon, MsgButtons buttons, const QString& detailsCaption) {
    Call call;
    call.kind = Kind::Message;
    call.owner = owner;
    call.caption = caption;
    call.text = text;
    call.icon = icon;
    call.buttons = buttons;
    call.detailsCaption = detailsCaption;
    record(call);
    QMutexLocker lock(&mutex_);
    if (messageAnswers_.empty()) {
        return MsgAnswer::Ok;
    }
    const MsgAnswer answer = messageAnswers_.front();
    messageAnswers_.pop_front();
    return answer;
}

std::optional<FileDialogResult> FakePrompts::fileAnswer(Kind kind,
                                                        const FileDialogRequest& request) {
    Call call;
    call.kind = kind;
    call.owner = request.owner;
    call.caption = request.caption;
    call.initial = request.proposedName;
    call.request = request;
    record(call);
    QMutexLocker lock(&mutex_);
    if (fileAnswers_.empty()) {
        return std::nullopt;
    }
    const bool given = fileAnswers_.front().has_value();
    FileDialogResult answer = given ? *fileAnswers_.front() : FileDialogResult{};
    fileAnswers_.pop_front();
    if (!given) {
        return std::nullopt;
    }
    return answer;
}

std::optional<FileDialogResult> FakePrompts::saveFile(const FileDialogRequest& request) {
    return fileAnswer(Kind::Save, request);
}

std::optional<FileDialogResult> FakePrompts::openFile(const FileDialogRequest& request) {
    return fileAnswer(Kind::Open, request);
}

std::optional<QString> FakePrompts::inputText(QObject* owner, const QString& caption,
                                              const QString& prompt, const QString& initial) {
    Call call;
    call.kind = Kind::Input;
    call.owner = owner;
    call.caption = caption;
    call.text = prompt;
    call.initial = initial;
    record(call);
    QMutexLocker lock(&mutex_);
    if (inputAnswers_.empty()) {
        return std::nullopt;
    }
    const bool given = inputAnswers_.front().has_value();
    const QString answer = given ? *inputAnswers_.front() : QString();
    inputAnswers_.pop_front();
    if (!given) {
        return std::nullopt;
    }
    return answer;
}

namespace {

class FakeProgressWindow final : public ProgressWindow {
public:
    FakeProgressWindow(QMutex& mutex, QList<FakePrompts::Progress>& all, qsizetype index)
        : mutex_(mutex), all_(all), index_(index) {}
    ~FakeProgressWindow() override {
        QMutexLocker lock(&mutex_);
        if (index_ < all_.size()) {
            all_[index_].open = false;
        }
    }
    void setProgress(qint64 done, const QString&) override {
        QMutexLocker lock(&mutex_);
        if (index_ < all_.size()) {
            all_[index_].updates << done;
        }
    }

private:
    QMutex& mutex_;
    QList<FakePrompts::Progress>& all_;
    qsizetype index_;
};

}  // namespace

std::unique_ptr<ProgressWindow> FakePrompts::showProgress(const ProgressRequest& request) {
    qsizetype index = 0;
    {
        QMutexLocker lock(&mutex_);
        progress_ << Progress{request, {}, true};
        index = progress_.size() - 1;
    }
    if (onProgress) {
        onProgress(request);
    }
    return std::make_unique<FakeProgressWindow>(mutex_, progress_, index);
}

bool FakePrompts::print(QObject* owner, const QString& caption, const PaintPages&) {
    Call call;
    call.kind = Kind::Print;
    call.owner = owner;
    call.caption = caption;
    record(call);
    return false;
}
