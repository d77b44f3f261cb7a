#include "invoicefiles/OfdPaths.h"

#include <QStringList>

namespace invoicefiles {

QString directoryOf(const QString& entry) {
    const auto slash = entry.lastIndexOf(u'/');
    return slash < 0 ? QString() : entry.left(slash);
}

QString resolveInDirectory(const QString& directory, const QString& reference) {
    QString path = reference.trimmed();
    path.replace(u'\\', u'/');
    if (path.isEmpty()) {
        return {};
    }
    const bool fromRoot = path.startsWith(u'/');
    const QString whole = fromRoot ? path : directory + u'/' + path;
    QStringList parts;
    for (const QString& part : whole.split(u'/', Qt::SkipEmptyParts)) {
        if (part == QLatin1String(".")) {
            continue;
        }
        if (part == QLatin1String("..")) {
            if (parts.isEmpty()) {
                return {};
            }
            parts.removeLast();
            continue;
        }
        parts.append(part);
    }
    return parts.join(u'/');
}

QString resolveEntry(const QString& namingEntry, const QString& reference) {
    return resolveInDirectory(directoryOf(namingEntry), reference);
}

}  // namespace invoicefiles
