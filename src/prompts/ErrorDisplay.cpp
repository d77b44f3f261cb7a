#include "prompts/ErrorDisplay.h"

#include "base/AppError.h"
#include "base/AppInfo.h"
#include "prompts/Prompts.h"

QString topLevelErrorText(const QString& message) {
    if (message.isEmpty()) {
        return message;
    }
    const QChar last = message.back();
    // A non-ASCII character's GBK bytes all sort above 0x80.
    if (last.unicode() > 0x7F || last.unicode() > u'.') {
        return message + u'.';
    }
    return message;
}

void showTopLevelError(const std::exception& error) {
    if (dynamic_cast<const SilentAbort*>(&error) != nullptr) {
        return;
    }
    QString text;
    if (const auto* appError = dynamic_cast<const AppError*>(&error)) {
        text = appError->message();
    } else {
        text = QString::fromUtf8(error.what());
    }
    appprompts::get().message(nullptr, appinfo::title(), topLevelErrorText(text), MsgIcon::Stop);
}

void showTopLevelError() {
    appprompts::get().message(nullptr, appinfo::title(), QString(), MsgIcon::Stop);
}
