#pragma once

#include <QDate>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <optional>

// Where and under which names copies of the company's database are kept: the daily copies in
// <company directory>/backup, and the copies a clerk makes into a folder of his own, all named
// <税号>_fpbx_YYYYMMDDHHMMSS.mdb.
namespace backupfiles {

// How many days of daily copies are kept.
inline constexpr int kDaysKept = 30;

QString folder(const QString& companyDir);
QString fileName(const QString& taxNumber, const QDateTime& when);

// When the copy of that name was made; nothing for a name of another form.
std::optional<QDateTime> madeAt(const QString& name);

// The newest copy in the folder, empty when there is none.
QString newest(const QString& backupFolder);
// Whether a copy was made on that day.
bool hasCopyOf(const QString& backupFolder, const QDate& day);
// The copies made before the last kDaysKept days up to today.
QStringList outdated(const QString& backupFolder, const QDate& today);

}  // namespace backupfiles
