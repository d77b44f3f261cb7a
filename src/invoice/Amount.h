#pragma once

#include <QString>
#include <optional>

// 开票金额 is kept exactly, as a whole number of ten-thousandths (four decimal places); it never
// passes through a binary float on its way in.
namespace amount {

inline constexpr qint64 kScale = 10000;

// Reads a decimal text ("100.00", "-3", "1.5e2", blanks around allowed) into ten-thousandths,
// rounded half away from zero past the fourth decimal. An empty text is null. Throws AppError
// "'<text>' is not a valid floating point value for field '<field>'" for anything else, and
// "'<text>' is out of range for field '<field>'" past 18 digits.
std::optional<qint64> fromText(const QString& text, const QString& field);

// Plain decimal notation with no more fractional digits than needed: 1235000 gives 123.5,
// 1000000 gives 100, 500 gives 0.05.
QString toShortestText(qint64 units);
// The same text written into out (ASCII, no terminator); returns its length.
inline constexpr int kMaxTextLength = 21;  // -922337203685477.5808
int writeShortest(qint64 units, char (&out)[kMaxTextLength]);

double toDouble(qint64 units);

// Money as a figure is read: at least two decimals, more only when the amount has them
// (1235000 gives 123.50, 1234567 gives 123.4567, 0 gives 0.00).
QString toMoneyText(qint64 units);

}  // namespace amount
