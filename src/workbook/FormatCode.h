#pragma once

#include <QStringView>
#include <functional>

// The tokens of a spreadsheet number format code ("yyyy-mm-dd", "[$-804]0.00;[Red]-0.00"), as both
// workbook formats write them: quoted text, escaped characters, the character after a space-width
// "_" or a fill "*" show nothing, so they are passed over; a bracketed part comes whole.
namespace formatcode {

struct Token {
    enum class Kind { Letter, Bracketed, SectionEnd, AmPm };
    Kind kind = Kind::Letter;
    QChar letter;        // Letter: the character, lower-cased
    QStringView inside;  // Bracketed: what stands between "[" and "]"
};

// Calls visit for each token in order until it returns false.
void forEachToken(QStringView code, const std::function<bool(const Token&)>& visit);

// [h], [mm], [ss]: elapsed time. Anything else in brackets is a colour, a condition or a locale.
bool isElapsedTime(QStringView inside);

}  // namespace formatcode
