#pragma once

#include <QString>

// Turns field values as files print them into the form a scan records.
namespace invoicefiles {

// 2024年02月08日, 2024年2月8日, 2024-02-08, 2024/02/08, 2024.02.08 or 20240208 (blanks
// allowed) as "20240208"; empty when not a valid date.
QString dateAsYmd(const QString& text);

// "¥1,234.50", "￥ -100.00", "666" as "1234.50", "-100.00", "666"; empty when not a number.
QString amountText(const QString& text);

// The digits of a code printed with blanks ("12345 67890"); empty when anything but digits
// and blanks is there.
QString digitsOnly(const QString& text);

}  // namespace invoicefiles
