#pragma once

#include <QString>

// The rules of an invoice typed by hand.
namespace manual {

// Whether a typed character may enter the code or number edit: Backspace or a digit.
bool isAllowedCharacter(QChar c);

// The first failing check's message, empty when the entry may be registered. A fully digital
// invoice (no code, a number of 20 digits) needs no code.
QString check(const QString& code, const QString& number, const QString& reimburser);

}  // namespace manual
