#pragma once

#include <QString>
#include <QStringList>

// Lines of the small .csv lists the program saves (import failures, invoice file results): a
// field is quoted when it holds a comma, a quote or a line break, a quote inside doubled.
namespace csvtext {

QString field(const QString& text);
// The fields joined by commas, with CR LF.
QString line(const QStringList& fields);

}  // namespace csvtext
