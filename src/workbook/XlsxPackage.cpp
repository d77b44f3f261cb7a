#include "workbook/XlsxPackage.h"

#include <QList>
#include <QStringList>
#include <QUrl>

#include "workbook/WorkbookRefusal.h"
#include "xml/XmlPart.h"

namespace xlsxpackage {

namespace {

struct Relationship {
    QString id;
    QString type;  // a URI; only its last segment is compared, as transitional and strict
                   // packages use different ones
    QString part;
};

QString folderOf(const QString& part) {
    const qsizetype slash = part.lastIndexOf(u'/');
    return slash < 0 ? QString() : part.left(slash);
}

// "xl/workbook.xml" -> "xl/_rels/workbook.xml.rels"; the package's own: "_rels/.rels".
QString relationshipsPartOf(const QString& part) {
    const QString folder = folderOf(part);
    const QString file = part.mid(folder.isEmpty() ? 0 : folder.size() + 1);
    return (folder.isEmpty() ? QString() : folder + u'/') + QStringLiteral("_rels/") + file +
           QStringLiteral(".rels");
}

QList<Relationship> relationshipsOf(ziparchive::Archive& archive, const QString& part) {
    QList<Relationship> found;
    std::unique_ptr<ziparchive::Entry> entry = archive.open(relationshipsPartOf(part));
    if (!entry) {
        return found;
    }
    XmlPart xml(std::move(entry));
    while (xml.next()) {
        if (xml.isStart(u"Relationship") && xml.attribute(u"TargetMode") != u"External") {
            found << Relationship{xml.attribute(u"Id").toString(),
                                  xml.attribute(u"Type").toString(),
                                  resolveTarget(part, xml.attribute(u"Target").toString())};
        }
    }
    xml.drain();
    return found;
}

QString partOfType(const QList<Relationship>& relationships, QStringView type) {
    for (const Relationship& r : relationships) {
        if (r.type.endsWith(u'/' + type.toString())) {
            return r.part;
        }
    }
    return {};
}

// What the relationships name, or a part at its usual place when they name none.
QString partOfTypeOr(ziparchive::Archive& archive, const QList<Relationship>& relationships,
                     QStringView type, const QString& usual) {
    const QString named = partOfType(relationships, type);
    if (!named.isEmpty()) {
        return named;
    }
    return archive.contains(usual) ? usual : QString();
}

bool isTrue(QStringView value) {
    return value == u"1" || value == u"true";
}

}  // namespace

QString resolveTarget(const QString& sourcePart, const QString& target) {
    QString path = QUrl::fromPercentEncoding(target.toUtf8());
    path.replace(u'\\', u'/');
    QStringList parts;
    if (!path.startsWith(u'/')) {
        parts = folderOf(sourcePart).split(u'/', Qt::SkipEmptyParts);
    }
    for (const QString& segment : path.split(u'/', Qt::SkipEmptyParts)) {
        if (segment == u"..") {
            if (!parts.isEmpty()) {
                parts.removeLast();
            }
        } else if (segment != u".") {
            parts << segment;
        }
    }
    return parts.join(u'/');
}

FirstSheet locateFirstSheet(ziparchive::Archive& archive) {
    const QString workbookPart = partOfTypeOr(archive, relationshipsOf(archive, QString()),
                                              u"officeDocument", QStringLiteral("xl/workbook.xml"));
    std::unique_ptr<ziparchive::Entry> entry =
        workbookPart.isEmpty() ? nullptr : archive.open(workbookPart);
    if (!entry) {
        throw workbook::unreadable(workbook::Unreadable::NoWorkbook);
    }

    FirstSheet sheet;
    QString sheetId;
    bool found = false;
    XmlPart xml(std::move(entry));
    while (!found && xml.next()) {
        if (xml.isStart(u"workbookPr")) {
            sheet.date1904 = isTrue(xml.attribute(u"date1904"));
        } else if (xml.isStart(u"sheet")) {
            sheet.name = xml.attribute(u"name").toString();
            sheetId = xml.relationshipId();
            found = true;
        }
    }
    if (!found) {
        throw workbook::unreadable(workbook::Unreadable::NoSheet);
    }
    xml.drain();

    const QList<Relationship> relationships = relationshipsOf(archive, workbookPart);
    for (const Relationship& r : relationships) {
        if (r.id == sheetId) {
            sheet.sheetPart = r.part;
        }
    }
    if (sheet.sheetPart.isEmpty() || !archive.contains(sheet.sheetPart)) {
        throw workbook::unreadable(QStringLiteral("找不到第一个工作表的内容。"));
    }
    const QString folder = folderOf(workbookPart);
    const QString prefix = folder.isEmpty() ? QString() : folder + u'/';
    sheet.stylesPart =
        partOfTypeOr(archive, relationships, u"styles", prefix + QStringLiteral("styles.xml"));
    sheet.sharedStringsPart = partOfTypeOr(archive, relationships, u"sharedStrings",
                                           prefix + QStringLiteral("sharedStrings.xml"));
    return sheet;
}

}  // namespace xlsxpackage
