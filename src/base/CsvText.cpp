#include "base/CsvText.h"

namespace csvtext {

QString field(const QString& text) {
    if (!text.contains(u',') && !text.contains(u'"') && !text.contains(u'\n') &&
        !text.contains(u'\r')) {
        return text;
    }
    QString quoted = text;
    quoted.replace(u'"', QStringLiteral("\"\""));
    return u'"' + quoted + u'"';
}

QString line(const QStringList& fields) {
    QStringList quoted;
    for (const QString& f : fields) {
        quoted << field(f);
    }
    return quoted.join(u',') + QStringLiteral("\r\n");
}

}  // namespace csvtext
