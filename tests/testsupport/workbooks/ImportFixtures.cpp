#include "ImportFixtures.h"

#include <gtest/gtest.h>

#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryFile>
#include <QtEndian>
#include <cstring>

#include "base/TextCodec.h"
#include "store/Database.h"
#include "store/DatabaseFile.h"

namespace fixtures {

QJsonValue date(const QString& yyyyMMdd) {
    return QJsonObject{{QStringLiteral("date"), yyyyMMdd}};
}
QJsonValue dateTime(const QString& text) {
    return QJsonObject{{QStringLiteral("datetime"), text}};
}
QJsonValue timeOfDay(const QString& text) {
    return QJsonObject{{QStringLiteral("time"), text}};
}
QJsonValue formattedBlank() {
    return QJsonObject{{QStringLiteral("blank"), true}};
}

void runFixtureScript(const QString& script, const QJsonObject& description) {
    QTemporaryFile file;
    ASSERT_TRUE(file.open());
    file.write(QJsonDocument(description).toJson());
    file.flush();

    QProcess python;
    python.start(QStringLiteral("/usr/bin/python3"),
                 {QStringLiteral(FPBX_SOURCE_DIR "/tests/testsupport/workbooks/") + script,
                  file.fileName()});
    ASSERT_TRUE(python.waitForFinished(60000));
    ASSERT_EQ(python.exitCode(), 0)
        << python.readAllStandardError().toStdString()
        << "(scripts/deps.sh installs python3, python3-xlwt and python3-openpyxl)";
}

QJsonArray sheetsJson(const QList<SheetSpec>& sheets) {
    QJsonArray sheetArray;
    for (const SheetSpec& s : sheets) {
        QJsonArray rows;
        for (const Row& r : s.rows) {
            rows.append(r);
        }
        sheetArray.append(
            QJsonObject{{QStringLiteral("name"), s.name}, {QStringLiteral("rows"), rows}});
    }
    return sheetArray;
}

void writeXls(const QString& path, const QList<SheetSpec>& sheets) {
    runFixtureScript(
        QStringLiteral("make_xls.py"),
        {{QStringLiteral("path"), path}, {QStringLiteral("sheets"), sheetsJson(sheets)}});
}

void writeXls(const QString& path, const QList<Row>& rows) {
    writeXls(path, QList<SheetSpec>{SheetSpec{QStringLiteral("Sheet1"), rows}});
}

Row exportHeadings() {
    return Row{"发票代码", "发票号码", "开票金额", "开票日期", "报销时间", "报销人", "录入方式"};
}

Row readHeadings() {
    return Row{"发票代码", "发票号码", "开票金额", "开票日期", "报销时间", "报销人"};
}

namespace {

QByteArray le16(quint16 v) {
    QByteArray b(2, '\0');
    qToLittleEndian(v, b.data());
    return b;
}

QByteArray cellHead(quint16 row, quint16 column, quint16 xf) {
    return le16(row) + le16(column) + le16(xf);
}

}  // namespace

BiffStream& BiffStream::record(quint16 type, const QByteArray& data) {
    bytes_ += le16(type) + le16(quint16(data.size())) + data;
    return *this;
}

BiffStream& BiffStream::bof() {
    return record(0x0809, le16(0) + le16(0x0010) + le16(0) + le16(0));
}

BiffStream& BiffStream::codePage(quint16 codePage) {
    return record(0x0042, le16(codePage));
}

BiffStream& BiffStream::label(quint16 row, quint16 column, const QString& text) {
    const QByteArray gbk = textcodec::toGbk(text);
    return record(0x0204, cellHead(row, column, 0) + le16(quint16(gbk.size())) + gbk);
}

BiffStream& BiffStream::label8(quint16 row, quint16 column, const QString& text) {
    QByteArray chars;
    for (const QChar c : text) {
        chars += le16(c.unicode());
    }
    return record(0x0204, cellHead(row, column, 0) + le16(quint16(text.size())) +
                              QByteArray(1, '\x01') + chars);
}

BiffStream& BiffStream::number(quint16 row, quint16 column, double value) {
    QByteArray b(8, '\0');
    qToLittleEndian(value, b.data());
    return record(0x0203, cellHead(row, column, 0) + b);
}

BiffStream& BiffStream::rk(quint16 row, quint16 column, quint32 rk) {
    QByteArray b(4, '\0');
    qToLittleEndian(rk, b.data());
    return record(0x027E, cellHead(row, column, 0) + b);
}

BiffStream& BiffStream::blank(quint16 row, quint16 column) {
    return record(0x0201, cellHead(row, column, 0x17));
}

BiffStream& BiffStream::eof() {
    return record(0x000A, QByteArray());
}

BiffStream& BiffStream::raw(const QByteArray& bytes) {
    bytes_ += bytes;
    return *this;
}

QStringList storedRows() {
    Database db = Database::open(GetConnectionString());
    Statement s =
        db.prepare(QStringLiteral("select 发票代码, 发票号码, ifnull(开票金额, 'null'), 开票日期, "
                                  "校验码, 报销时间, 报销方式, "
                                  "报销人 from 发票报销 order by rowid"));
    QStringList rows;
    while (s.step()) {
        QStringList cells;
        for (int c = 0; c < 8; ++c) {
            cells << s.text(c);
        }
        rows << cells.join(u'|');
    }
    return rows;
}

}  // namespace fixtures
