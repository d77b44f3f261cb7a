#pragma once

#include <QString>
#include <QStringList>

// bxr.txt, the reimburser list file: GBK, one name per line, only ever created empty or
// appended to.
namespace reimburserfile {

// The names in file order; CR LF, CR and LF all end a line; empty lines are skipped. A file
// that cannot be read gives no names.
QStringList load(const QString& path);

// Appends the name and a line end. Throws AppError when the file cannot be written.
void append(const QString& path, const QString& name);

// Why the name cannot be taken ("请输入报销人！", "报销人含有无法保存的字符！", or the name
// limit's message), empty when it can. A name must be one line of GBK text.
QString nameProblem(const QString& name);

}  // namespace reimburserfile
