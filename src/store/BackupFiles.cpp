#include "store/BackupFiles.h"

#include <QDir>
#include <QRegularExpression>

#include "base/Paths.h"

namespace backupfiles {

namespace {

const char kStampPattern[] = "yyyyMMddHHmmss";

// Every copy in the folder with the time it was made.
QList<std::pair<QDateTime, QString>> copies(const QString& backupFolder) {
    QList<std::pair<QDateTime, QString>> found;
    const QStringList names =
        QDir(backupFolder).entryList({QStringLiteral("*_fpbx_*.mdb")}, QDir::Files);
    for (const QString& name : names) {
        if (const std::optional<QDateTime> when = madeAt(name)) {
            found.append({*when, joinPath(backupFolder, name)});
        }
    }
    return found;
}

}  // namespace

QString folder(const QString& companyDir) {
    return joinPath(companyDir, QStringLiteral("backup"));
}

QString fileName(const QString& taxNumber, const QDateTime& when) {
    return taxNumber + QStringLiteral("_fpbx_") +
           when.toString(QString::fromLatin1(kStampPattern)) + QStringLiteral(".mdb");
}

std::optional<QDateTime> madeAt(const QString& name) {
    static const QRegularExpression pattern(QStringLiteral("_fpbx_(\\d{14})\\.mdb$"));
    const QRegularExpressionMatch match = pattern.match(name);
    if (!match.hasMatch()) {
        return std::nullopt;
    }
    const QDateTime when =
        QDateTime::fromString(match.captured(1), QString::fromLatin1(kStampPattern));
    return when.isValid() ? std::optional<QDateTime>(when) : std::nullopt;
}

QString newest(const QString& backupFolder) {
    QDateTime best;
    QString path;
    for (const auto& [when, file] : copies(backupFolder)) {
        if (!best.isValid() || when > best) {
            best = when;
            path = file;
        }
    }
    return path;
}

bool hasCopyOf(const QString& backupFolder, const QDate& day) {
    for (const auto& copy : copies(backupFolder)) {
        if (copy.first.date() == day) {
            return true;
        }
    }
    return false;
}

QStringList outdated(const QString& backupFolder, const QDate& today) {
    const QDate firstKept = today.addDays(1 - kDaysKept);
    QStringList old;
    for (const auto& [when, file] : copies(backupFolder)) {
        if (when.date() < firstKept) {
            old << file;
        }
    }
    return old;
}

}  // namespace backupfiles
