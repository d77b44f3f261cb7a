#include <gtest/gtest.h>

#include <QChartView>
#include <QDateEdit>
#include <QImage>
#include <QLabel>
#include <QMenu>
#include <QTabWidget>
#include <QTableWidget>
#include <QTest>

#include "FakeClock.h"
#include "FakePrompts.h"
#include "StoreFixtures.h"
#include "TempExeDir.h"
#include "TestFiles.h"
#include "auditwindows/RecordActions.h"
#include "auditwindows/StatisticsDialog.h"
#include "auditwindows/TrailDialog.h"
#include "records/TrailPages.h"
#include "recordswindow/RecordsGrid.h"
#include "recordswindow/RecordsWindow.h"
#include "store/InvoiceStore.h"

namespace {

InvoiceRecord invoice(const QString& number, const QString& reimburser, const QString& amount,
                      const QDateTime& at) {
    return teststore::invoice()
        .code("044031900111")
        .number(number)
        .amount(amount)
        .date("20240101")
        .reimburser(reimburser)
        .at(at);
}

QStringList column(const QTableWidget* table, int c) {
    QStringList texts;
    for (int r = 0; r < table->rowCount(); ++r) {
        texts << table->item(r, c)->text();
    }
    return texts;
}

// The trail window's lines once the page it is reading has come.
const QAbstractItemModel& listed(const audit::TrailDialog& dialog) {
    EXPECT_TRUE(QTest::qWaitFor([&] { return !dialog.pages().reading(); }, 20000));
    return *dialog.table->model();
}

QStringList column(const audit::TrailDialog& dialog, int c) {
    const QAbstractItemModel& model = listed(dialog);
    QStringList texts;
    for (int r = 0; r < model.rowCount(); ++r) {
        texts << model.index(r, c).data().toString();
    }
    return texts;
}

class AuditWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        const QDateTime today(QDate(2024, 3, 5), QTime(9, 0, 0));
        const std::unique_ptr<InvoiceStore> store = openInvoiceStore();
        for (const Registration& r :
             store->registerInvoices({invoice("00000011", "张三", "0.10", today),
                                      invoice("00000012", "李四", "0.20", today.addSecs(60)),
                                      invoice("00000013", "张三", "0.70", today.addSecs(120)),
                                      invoice("00000014", "王五", "1000", today.addMonths(-1))},
                                     EntryMode::Import)) {
            ASSERT_TRUE(r.registered());
        }
    }

    // The grid row that shows an invoice number; -1 when none does.
    static int rowOf(const RecordsWindow& form, const QString& number) {
        const QAbstractItemModel* model = form.DBGridEh1->model();
        for (int r = 0; r < model->rowCount(); ++r) {
            if (model->index(r, 1).data().toString() == number) {
                return r;
            }
        }
        return -1;
    }

    TempExeDir dir;
    FakePrompts prompts;
    FakeClock clock{QDateTime(QDate(2024, 3, 5), QTime(10, 0, 0))};
};

TEST_F(AuditWindowTest, TheRowsMenuOffersHistoryAndUndo) {
    RecordsWindow form(nullptr);
    auto* actions = form.findChild<audit::RecordActions*>();
    ASSERT_NE(actions, nullptr);
    std::unique_ptr<QMenu> menu(actions->menuFor(0));
    QStringList texts;
    for (QAction* action : menu->actions()) {
        if (!action->isSeparator()) {
            texts << action->text();
        }
    }
    EXPECT_EQ(texts, (QStringList{"查看记录历史", "撤销报销"}));
    EXPECT_EQ(form.DBGridEh1->contextMenuPolicy(), Qt::CustomContextMenu);
    // The window's menu has them after 打开发票原件 and 查看报销单.
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    QStringList all;
    QTimer poll;
    poll.setInterval(20);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        for (QMenu* open : form.findChildren<QMenu*>()) {
            if (!open->isVisible()) {
                continue;
            }
            for (QAction* action : open->actions()) {
                if (!action->isSeparator()) {
                    all << action->text();
                }
            }
            open->close();
            poll.stop();
        }
    });
    poll.start();
    const QRect cell = form.DBGridEh1->visualRect(form.DBGridEh1->model()->index(0, 1));
    emit form.DBGridEh1->customContextMenuRequested(cell.center());
    EXPECT_EQ(all, (QStringList{"打开发票原件", "查看报销单", "查看记录历史", "撤销报销"}));
}

TEST_F(AuditWindowTest, AnUndoAsksAReasonAndConfirmationThenTheGridAndCountFollow) {
    RecordsWindow form(nullptr);
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    EXPECT_EQ(form.Label1->text(), "总共 3 条");
    auto* actions = form.findChild<audit::RecordActions*>();
    const int row = rowOf(form, "00000012");
    ASSERT_GE(row, 0);

    // No reason: nothing happens but a hint.
    prompts.answerInput(QStringLiteral("   "));
    EXPECT_FALSE(actions->undo(row));
    EXPECT_EQ(prompts.messageTexts(), QStringList{"请填写撤销原因！"});
    // Not confirmed: nothing happens.
    prompts.clear();
    prompts.answerInput(QStringLiteral("扫错了"));
    prompts.answerMessage(MsgAnswer::Cancel);
    EXPECT_FALSE(actions->undo(row));
    EXPECT_EQ(form.Label1->text(), "总共 3 条");

    prompts.clear();
    prompts.answerInput(QStringLiteral("扫错了"));
    EXPECT_TRUE(actions->undo(row));
    const QList<FakePrompts::Call> calls = prompts.calls();
    ASSERT_EQ(calls.size(), 3);
    EXPECT_EQ(calls[0].kind, FakePrompts::Kind::Input);
    EXPECT_EQ(calls[0].caption, "撤销报销->发票号码:00000012");
    EXPECT_EQ(calls[0].owner, &form);
    EXPECT_EQ(calls[1].text, "确认撤销该发票的报销记录？");
    EXPECT_EQ(calls[1].buttons, MsgButtons::OkCancel);
    EXPECT_EQ(calls[2].text, "撤销成功，该发票可以重新报销");
    EXPECT_EQ(form.Label1->text(), "总共 2 条");
    EXPECT_EQ(rowOf(form, "00000012"), -1);
    EXPECT_EQ(form.DBGridEh1->model()->rowCount(), 2);
    EXPECT_EQ(openInvoiceStore()->countInvoices().count, 3);

    // The trail of the invoice, as 查看记录历史 shows it.
    audit::TrailDialog history({"044031900111", "00000012"}, &form);
    EXPECT_EQ(column(history, 1), (QStringList{"登记", "撤销报销"}));
    EXPECT_TRUE(history.table->model()->index(1, 4).data().toString().startsWith("原因：扫错了"));
    EXPECT_EQ(history.countLabel->text(), "共 2 条");

    // Scanned again, it is a new registration.
    EXPECT_TRUE(
        openInvoiceStore()
            ->registerInvoice(invoice("00000012", "张三", "0.20", QDateTime()), EntryMode::Scan)
            .registered());
}

TEST_F(AuditWindowTest, TheWholeTrailOfADayExportsAsCsv) {
    RecordsWindow form(nullptr);
    audit::TrailDialog trailWindow(&form);
    EXPECT_EQ(trailWindow.fromDate->date(), QDate(2024, 3, 5));
    EXPECT_EQ(listed(trailWindow).rowCount(), 4);  // today's four registrations
    const QString chosen = dir.file("trail");
    prompts.answerFile(FileDialogResult{chosen, 1});
    trailWindow.exportCsv();
    EXPECT_EQ(prompts.messageTexts(), QStringList{"文件导出成功！\r\n\r\n" + chosen + ".csv"});
    const QString csv = testfiles::readGbk(chosen + ".csv");
    EXPECT_EQ(csv.count("\r\n"), 5);
    EXPECT_TRUE(csv.contains(",登记,044031900111,00000014,1000,"));
}

TEST_F(AuditWindowTest, TheTrailWindowPagesBeyondFiveThousandLinesAndTheExportHoldsThemAll) {
    QList<InvoiceRecord> many;
    for (int i = 0; i < 5200; ++i) {
        many << invoice(QString::number(20000000 + i), "赵六", "1", QDateTime());
    }
    openInvoiceStore()->registerInvoices(many, EntryMode::Import);
    RecordsWindow form(nullptr);
    audit::TrailDialog trailWindow(&form);
    trailWindow.show();
    EXPECT_EQ(listed(trailWindow).rowCount(), 500);  // the first page
    EXPECT_EQ(trailWindow.countLabel->text(), "已列出 500 条，向下滚动列出更多（导出包含全部）");
    // Scrolled to the end again and again, every line comes, in the order written.
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            trailWindow.table->scrollToBottom();
            return trailWindow.pages().complete() && !trailWindow.pages().reading();
        },
        60000));
    const QStringList numbers = column(trailWindow, 3);
    ASSERT_EQ(numbers.size(), 5204);
    EXPECT_EQ(numbers.mid(4, 2), (QStringList{"20000000", "20000001"}));
    EXPECT_EQ(numbers.last(), "20005199");
    EXPECT_EQ(trailWindow.countLabel->text(), "共 5204 条");

    const QString chosen = dir.file("all");
    prompts.answerFile(FileDialogResult{chosen, 1});
    trailWindow.exportCsv();
    const QString csv = testfiles::readGbk(chosen + ".csv");
    EXPECT_EQ(csv.count("\r\n"), 5205);
    EXPECT_EQ(csv.count(",20005199,"), 1);
}

TEST_F(AuditWindowTest, StatisticsShowTablesAndChartsAndExportThem) {
    RecordsWindow form(nullptr);
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    audit::StatisticsDialog stats(&form);
    stats.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&stats));
    EXPECT_EQ(stats.fromDate->date(), QDate(2024, 1, 1));
    EXPECT_EQ(stats.toDate->date(), QDate(2024, 3, 5));
    const QTableWidget* byReimburser = stats.tables[0];
    EXPECT_EQ(column(byReimburser, 0), (QStringList{"王五", "张三", "李四", "合计"}));
    EXPECT_EQ(column(byReimburser, 1), (QStringList{"1", "2", "1", "4"}));
    EXPECT_EQ(column(byReimburser, 2), (QStringList{"1000.00", "0.80", "0.20", "1001.00"}));
    const QTableWidget* byMonth = stats.tables[1];
    EXPECT_EQ(column(byMonth, 0), (QStringList{"2024-02", "2024-03", "合计"}));
    EXPECT_EQ(column(byMonth, 2), (QStringList{"1000.00", "1.00", "1001.00"}));
    EXPECT_EQ(stats.charts[0]->chart()->series().size(), 1);

    stats.fromDate->setDate(QDate(2024, 3, 1));
    EXPECT_TRUE(stats.count());
    EXPECT_EQ(column(stats.tables[0], 2), (QStringList{"0.80", "0.20", "1.00"}));

    const QString table = dir.file("table");
    prompts.answerFile(FileDialogResult{table, 2});  // .csv
    stats.exportTable();
    EXPECT_EQ(testfiles::readGbk(table + ".csv"),
              "报销人,发票张数,开票金额合计\r\n张三,2,0.80\r\n李四,1,0.20\r\n合计,3,1.00\r\n");
    prompts.answerFile(FileDialogResult{table, 1});  // .xlsx
    stats.exportTable();
    EXPECT_TRUE(QFile::exists(table + ".xlsx"));

    stats.tabs->setCurrentIndex(1);
    const QString chart = dir.file("chart");
    prompts.answerFile(FileDialogResult{chart, 1});
    stats.exportChart();
    const QImage image(chart + ".png");
    EXPECT_FALSE(image.isNull());
    EXPECT_GT(image.width(), 300);
    EXPECT_EQ(prompts.messageTexts(), (QStringList{"文件导出成功！\r\n\r\n" + table + ".csv",
                                                   "文件导出成功！\r\n\r\n" + table + ".xlsx",
                                                   "文件导出成功！\r\n\r\n" + chart + ".png"}));
    const auto saves = prompts.calls();
    EXPECT_EQ(saves[0].initial, "20240305100000_报销统计_按报销人");
}

TEST_F(AuditWindowTest, TheRecordsWindowOpensStatisticsAndTrailFromItsButtons) {
    RecordsWindow form(nullptr);
    EXPECT_EQ(form.statisticsButton->text(), "统  计");
    EXPECT_EQ(form.trailButton->text(), "操作记录");
    QTimer::singleShot(0, [] {
        QWidget* stats = QApplication::activeModalWidget();
        ASSERT_NE(stats, nullptr);
        EXPECT_EQ(stats->objectName(), "StatisticsDialog");
        stats->close();
    });
    form.statisticsButton->click();
    QTimer::singleShot(0, [] {
        QWidget* trailWindow = QApplication::activeModalWidget();
        ASSERT_NE(trailWindow, nullptr);
        EXPECT_EQ(trailWindow->objectName(), "TrailDialog");
        trailWindow->close();
    });
    form.trailButton->click();
}

}  // namespace
