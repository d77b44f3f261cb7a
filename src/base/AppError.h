#pragma once

#include <QString>
#include <exception>
#include <string>

// The program's error type: a message for the user. Errors no handler catches end at the
// top-level error display.
class AppError : public std::exception {
public:
    explicit AppError(QString message)
        : message_(std::move(message)), utf8_(message_.toStdString()) {}
    const QString& message() const { return message_; }
    const char* what() const noexcept override { return utf8_.c_str(); }

private:
    QString message_;
    std::string utf8_;
};

// An error meant to end an action quietly: the top-level display does not show it.
class SilentAbort : public std::exception {
public:
    const char* what() const noexcept override { return "Operation aborted"; }
};
