#pragma once

#include <QByteArray>
#include <QJsonArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <ostream>

#include "import/SheetImport.h"
#include "prompts/Prompts.h"

// Readable texts in the test failures.
inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}

// Workbooks for the import tests: real BIFF8 files written by python3-xlwt, and bare worksheet
// streams as the program's XLS export writes them, made byte by byte.
namespace fixtures {

// Cells of an xlwt workbook: a QString, a double, null (no cell), or one of these.
QJsonValue date(const QString& yyyyMMdd);   // "2020-01-01", a date cell
QJsonValue dateTime(const QString& text);   // "2024-01-31 13:05:09"
QJsonValue timeOfDay(const QString& text);  // "13:05:09"
QJsonValue formattedBlank();

using Row = QJsonArray;

struct SheetSpec {
    QString name = QStringLiteral("Sheet1");
    QList<Row> rows;
};

// Runs a fixture script of this folder with /usr/bin/python3 on a JSON description; fails the
// test when that fails.
void runFixtureScript(const QString& script, const QJsonObject& description);
QJsonArray sheetsJson(const QList<SheetSpec>& sheets);

// Writes path with /usr/bin/python3 and xlwt; fails the test when that fails.
void writeXls(const QString& path, const QList<SheetSpec>& sheets);
void writeXls(const QString& path, const QList<Row>& rows);

// The seven headings in the program's export order.
Row exportHeadings();
// The six read headings.
Row readHeadings();

// A worksheet stream record by record.
class BiffStream {
public:
    BiffStream& bof();
    BiffStream& codePage(quint16 codePage);
    BiffStream& label(quint16 row, quint16 column, const QString& text);   // GBK, no flags
    BiffStream& label8(quint16 row, quint16 column, const QString& text);  // BIFF8 UTF-16
    BiffStream& number(quint16 row, quint16 column, double value);
    BiffStream& rk(quint16 row, quint16 column, quint32 rk);
    BiffStream& blank(quint16 row, quint16 column);
    BiffStream& eof();
    BiffStream& raw(const QByteArray& bytes);
    const QByteArray& bytes() const { return bytes_; }

private:
    BiffStream& record(quint16 type, const QByteArray& data);
    QByteArray bytes_;
};

// An ImportView that remembers what the import did to it.
class FakeView final : public ImportView {
public:
    QString path;
    QStringList events;  // "loading on", "loading off", "processed N"
    QObject ownerObject;

    QString pathText() override { return path; }
    void setLoading(bool visible) override {
        events << (visible ? QStringLiteral("loading on") : QStringLiteral("loading off"));
    }
    void showProcessed(qint64 count) override {
        events << QStringLiteral("processed %1").arg(count);
        if (onProcessed) {
            onProcessed(count);
        }
    }
    std::function<void(qint64)> onProcessed;
    // Shown as the dialog shows them.
    void tell(const QString& text) override {
        appprompts::get().message(&ownerObject, QStringLiteral("提示"), text, MsgIcon::Information);
    }
    void tellSummary(const QString& text, const QList<ImportFailure>& rows) override {
        tell(text);
        failures = rows;
    }
    QList<ImportFailure> failures;  // what the summary offered
    void showException(const QString& detail) override {
        appprompts::get().message(nullptr, QStringLiteral("出现异常"), detail,
                                  MsgIcon::Information);
    }
};

// The rows of 发票报销 in insertion order, each as
// "code|number|amount units|date|check|time|mode|reimburser".
QStringList storedRows();

}  // namespace fixtures
