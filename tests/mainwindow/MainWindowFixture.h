#pragma once

#include <gtest/gtest.h>

#include <QTest>
#include <memory>

#include "../scanner/FakeDevices.h"
#include "FakeClock.h"
#include "FakePrompts.h"
#include "TempExeDir.h"
#include "TestFiles.h"
#include "base/Paths.h"
#include "mainwindow/CountLabel.h"
#include "mainwindow/MainWindow.h"
#include "scanner/ScanField.h"
#include "store/Database.h"
#include "store/DatabaseFile.h"
#include "store/InvoiceStore.h"

// The main window in a fresh exe directory, driven through its window as keys really arrive.
class MainWindowTest : public ::testing::Test {
protected:
    struct Row {
        QString code, number, amount, date, check, reimburser;
        qint64 mode;
        bool operator==(const Row&) const = default;
    };

    FakeClock clock{QDateTime(QDate(2024, 3, 1), QTime(9, 30, 0))};
    TempExeDir dir;
    FakePrompts prompts;
    std::unique_ptr<FakeDevices> pendingDevices = std::make_unique<FakeDevices>();
    FakeDevices& devices = *pendingDevices;
    std::unique_ptr<MainWindow> form;

    void TearDown() override { form.reset(); }

    QString bxrPath() const { return joinPath(dir.companyDir(), "bxr.txt"); }

    // Builds and shows the window, which enters scan mode.
    void open() {
        form = std::make_unique<MainWindow>(std::move(pendingDevices));
        form->show();
    }

    QWindow* handle() { return form->windowHandle(); }

    void type(const QString& text) {
        for (const QChar c : text) {
            if (c.unicode() < 0x80) {
                QTest::keyClick(handle(), char(c.unicode()));
            } else {
                QTest::sendKeyEvent(QTest::Click, handle(), Qt::Key_unknown, QString(c),
                                    Qt::NoModifier);
            }
        }
    }
    void scan(const QString& payload) {
        type(payload);
        QTest::keyClick(handle(), Qt::Key_Return);
    }

    static QList<Row> rows() {
        Database db = Database::open(GetConnectionString());
        Statement s = db.prepare(
            "select 发票代码, 发票号码, 开票金额, 开票日期, 校验码, 报销人, 报销方式 from 发票报销 "
            "order by rowid");
        QList<Row> result;
        while (s.step()) {
            result << Row{s.text(0), s.text(1), s.text(2), s.text(3),
                          s.text(4), s.text(5), s.int64(6)};
        }
        return result;
    }

    QStringList log() const { return testfiles::logMessages(dir.logPath()); }
    QColor colourOf(const QWidget* w) const { return w->palette().color(QPalette::WindowText); }
};

inline void PrintTo(const QColor& c, std::ostream* os) {
    *os << c.name().toStdString();
}
