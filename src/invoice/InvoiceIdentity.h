#pragma once

#include <QDate>
#include <QString>

// What identifies an invoice, and the shapes its code and number take. An invoice is the pair
// (发票号码, 发票代码); a fully digital invoice (数电票) has no code and a number of 20 digits.
namespace invoice {

inline constexpr int kCodeMinLength = 10;
inline constexpr int kCodeMaxLength = 12;
inline constexpr int kNumberLength = 8;
inline constexpr int kDigitalNumberLength = 20;

// 开票日期 is kept as eight digits, so that text order is date order.
inline constexpr char kDatePattern[] = "yyyyMMdd";
QString dateText(const QDate& date);
// The date eight digits stand for; invalid for anything else. Read once per imported row, so
// without the format parser.
QDate dateOf(const QString& yyyymmdd);

bool isDigits(const QString& text);

// No code and a number of exactly 20 digits.
bool isFullyDigital(const QString& code, const QString& number);

}  // namespace invoice
