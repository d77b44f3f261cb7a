#pragma once

#include <QDate>
#include <QString>

// The number of a reimbursement claim (报销单号): BX, the day it was opened (yyyyMMdd) and its
// place among that day's claims in four digits, BX202312010001. On a server registry the
// registry hands out the places, so that no two PCs ever give the same number.
namespace claimnumber {

inline constexpr int kMaxPerDay = 9999;  // four digits

// "BX20231201": what every number of the day starts with.
QString dayPrefix(const QDate& day);
// The sequence'th claim of the day (1..kMaxPerDay); empty when the sequence does not fit.
QString make(const QDate& day, int sequence);
// Whether text has the shape of a number: BX, a real day, four digits, not 0000.
bool isNumber(const QString& text);

}  // namespace claimnumber
