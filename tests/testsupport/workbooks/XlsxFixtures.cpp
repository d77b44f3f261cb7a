#include "XlsxFixtures.h"

#include <gtest/gtest.h>

#include <QJsonObject>

#include "TestFiles.h"
#include "ZipWriting.h"

namespace xlsxfixtures {

namespace {

const char kMain[] = "http://schemas.openxmlformats.org/spreadsheetml/2006/main";
const char kRelationships[] = "http://schemas.openxmlformats.org/package/2006/relationships";
const char kOfficeDocument[] =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships";

QByteArray relationship(const char* id, const char* type, const char* target) {
    return QByteArray("<Relationship Id=\"") + id + "\" Type=\"" + kOfficeDocument + '/' + type +
           "\" Target=\"" + target + "\"/>";
}

QByteArray relationships(const QByteArray& inside) {
    return QByteArray(
               "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
               "<Relationships xmlns=\"") +
           kRelationships + "\">" + inside + "</Relationships>";
}

QJsonObject with(QJsonValue cell, const QString& key, const QJsonValue& value) {
    QJsonObject object = cell.toObject();
    object.insert(key, value);
    return object;
}

}  // namespace

QJsonValue formatted(QJsonValue cell, const QString& formatCode) {
    return with(cell, QStringLiteral("format"), formatCode);
}

QJsonValue builtInFormatted(QJsonValue cell, int formatId) {
    return with(cell, QStringLiteral("formatId"), formatId);
}

QJsonValue number(double value) {
    return QJsonObject{{QStringLiteral("number"), value}};
}

QJsonValue formula(const QString& text) {
    return QJsonObject{{QStringLiteral("formula"), text}};
}

QJsonValue boolean(bool value) {
    return QJsonObject{{QStringLiteral("bool"), value}};
}

void writeXlsx(const QString& path, const QList<fixtures::SheetSpec>& sheets, bool date1904) {
    fixtures::runFixtureScript(QStringLiteral("make_xlsx.py"),
                               {{QStringLiteral("path"), path},
                                {QStringLiteral("date1904"), date1904},
                                {QStringLiteral("sheets"), fixtures::sheetsJson(sheets)}});
}

void writeXlsx(const QString& path, const QList<fixtures::Row>& rows) {
    writeXlsx(path,
              QList<fixtures::SheetSpec>{fixtures::SheetSpec{QStringLiteral("Sheet1"), rows}});
}

void writeBomb(const QString& path, int mebibytes) {
    fixtures::runFixtureScript(
        QStringLiteral("make_xlsx.py"),
        {{QStringLiteral("path"), path}, {QStringLiteral("bombMiB"), mebibytes}});
}

Parts package(const QByteArray& sheetData, const QByteArray& sharedStrings,
              const QByteArray& styles) {
    QByteArray workbookRelationships = relationship("rId1", "worksheet", "worksheets/sheet1.xml");
    Parts parts{
        {QStringLiteral("_rels/.rels"),
         relationships(relationship("rId1", "officeDocument", "xl/workbook.xml"))},
        {QStringLiteral("xl/workbook.xml"),
         QByteArray("<workbook xmlns=\"") + kMain + "\" xmlns:r=\"" + kOfficeDocument +
             "\"><sheets><sheet name=\"Sheet1\" sheetId=\"1\" r:id=\"rId1\"/></sheets></workbook>"},
        {QStringLiteral("xl/worksheets/sheet1.xml"), QByteArray("<worksheet xmlns=\"") + kMain +
                                                         "\"><sheetData>" + sheetData +
                                                         "</sheetData></worksheet>"},
    };
    if (!sharedStrings.isNull()) {
        workbookRelationships += relationship("rId2", "sharedStrings", "sharedStrings.xml");
        parts.append({QStringLiteral("xl/sharedStrings.xml"),
                      QByteArray("<sst xmlns=\"") + kMain + "\">" + sharedStrings + "</sst>"});
    }
    if (!styles.isNull()) {
        workbookRelationships += relationship("rId3", "styles", "styles.xml");
        parts.append({QStringLiteral("xl/styles.xml"), QByteArray("<styleSheet xmlns=\"") + kMain +
                                                           "\">" + styles + "</styleSheet>"});
    }
    parts.append(
        {QStringLiteral("xl/_rels/workbook.xml.rels"), relationships(workbookRelationships)});
    return parts;
}

QByteArray& part(Parts& parts, const QString& name) {
    for (auto& [partName, bytes] : parts) {
        if (partName == name) {
            return bytes;
        }
    }
    parts.append({name, QByteArray()});
    return parts.last().second;
}

void writeZip(const QString& path, const Parts& parts) {
    std::vector<fixtures::ZipEntry> entries;
    for (const auto& [name, bytes] : parts) {
        entries.emplace_back(name, bytes);
    }
    testfiles::writeBytes(path, fixtures::zipArchive(entries));
}

void declareSize(const QString& path, const QString& entry, quint32 size) {
    QByteArray bytes = testfiles::readBytes(path);
    ASSERT_EQ(fixtures::declareSize(bytes, entry, size), 2);
    testfiles::writeBytes(path, bytes);
}

}  // namespace xlsxfixtures
