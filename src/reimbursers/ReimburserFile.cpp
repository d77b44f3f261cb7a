#include "reimbursers/ReimburserFile.h"

#include <QFile>
#include <QRegularExpression>

#include "base/TextCodec.h"
#include "base/TextFile.h"
#include "invoice/ReimburserName.h"

namespace reimburserfile {

QStringList load(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    static const QRegularExpression lineEnd(QStringLiteral("\r\n|\r|\n"));
    return textcodec::fromGbk(file.readAll()).split(lineEnd, Qt::SkipEmptyParts);
}

void append(const QString& path, const QString& name) {
    AppendTextToFile(path, name + u'\n');
}

QString nameProblem(const QString& name) {
    if (name.isEmpty()) {
        return QStringLiteral("请输入报销人！");
    }
    // A control character (a line end above all) would break the one-name-per-line file.
    bool control = false;
    for (const QChar c : name) {
        control = control || c.unicode() < 0x20 || c.unicode() == 0x7F;
    }
    if (control || !textcodec::isGbkEncodable(name)) {
        return QStringLiteral("报销人含有无法保存的字符！");
    }
    if (reimbursername::isTooLong(name)) {
        return reimbursername::tooLongMessage();
    }
    return {};
}

}  // namespace reimburserfile
