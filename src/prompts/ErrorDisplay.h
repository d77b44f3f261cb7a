#pragma once

#include <QString>
#include <exception>
#include <utility>

// The top-level error display: shows an error no handler caught, captioned with the
// application title, with the stop icon. A SilentAbort is not shown.

// The message as shown: a "." is added when the text is not empty and its last character
// sorts after "." in GBK byte order (so "!" and " " get none, letters, digits and every
// Chinese character one).
QString topLevelErrorText(const QString& message);

void showTopLevelError(const std::exception& error);
void showTopLevelError();  // an error that is not of the program's type: empty message

// Runs work; an error escaping from it is shown. Returns false when there was one (a silent
// abort included).
template <typename Work>
bool runGuarded(Work&& work) {
    try {
        std::forward<Work>(work)();
        return true;
    } catch (const std::exception& error) {
        showTopLevelError(error);
    } catch (...) {
        showTopLevelError();
    }
    return false;
}
