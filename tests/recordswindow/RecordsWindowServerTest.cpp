#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include "FakeClock.h"
#include "FakePrompts.h"
#include "PgTestServer.h"
#include "RecordsTestSupport.h"
#include "TempExeDir.h"
#include "TestFiles.h"
#include "base/AppError.h"
#include "base/DatabaseSettings.h"
#include "base/Paths.h"
#include "prompts/ErrorDisplay.h"
#include "records/RecordsModel.h"
#include "recordswindow/FindDialog.h"
#include "recordswindow/RecordsGrid.h"
#include "recordswindow/RecordsWindow.h"

// The records window with config.ini's [数据库] 类型=postgresql: it reads the company's registry
// on the server and never the local file.

using recordstest::insert;
using recordstest::Invoice;

namespace {

TempExeDir::Options ownCompany() {
    TempExeDir::Options options;
    options.taxNumber = pgtest::uniqueTaxNumber();
    return options;
}

void useServer(const QString& conninfo) {
    setDatabaseSettings({DatabaseSettings::Engine::Postgresql, "postgresql", conninfo});
}

QStringList shownNumbers(RecordsWindow& form) {
    QStringList numbers;
    const QAbstractItemModel* model = form.DBGridEh1->model();
    for (int row = 0; row < model->rowCount(); ++row) {
        numbers << model->index(row, 1).data().toString();
    }
    return numbers;
}

void insertRows() {
    insert(Invoice::of("11", "2024-03-04 18:00:00").withReimburser("财务部"));
    insert(Invoice::of("12", "2024-03-05 08:00:00").withReimburser("张三").withAmount(1235000));
    insert(Invoice::of("13", "2024-03-05 09:30:00").withReimburser("50%_O'Neil").withMode(3));
    insert(Invoice::of("12345678901234567890", "2024-03-01 10:00:00")
               .withCode("")
               .withReimburser("李四")
               .withAmount(std::nullopt)
               .withMode(1));
}

class ListFormServerTest : public ::testing::Test {
protected:
    void SetUp() override {
        REQUIRE_PG_SERVER();
        registry.emplace(*pgtest::conninfo(), TaxNumber());
        useServer(*pgtest::conninfo());
        insertRows();
        // Whatever the window does, it cannot do it on the local file.
        QFile::remove(dir.databasePath());
    }

    TempExeDir dir{ownCompany()};
    FakePrompts prompts;
    FakeClock clock{QDateTime(QDate(2024, 3, 5), QTime(10, 0, 0))};
    std::optional<pgtest::Registry> registry;
};

TEST_F(ListFormServerTest, OpensSearchesFindsAndExportsOnTheServer) {
    RecordsWindow form(nullptr);
    EXPECT_EQ(shownNumbers(form), (QStringList{"13", "12"}));
    EXPECT_EQ(form.Label1->text(), "总共 2 条");

    form.searchButton->click();
    EXPECT_EQ(shownNumbers(form), (QStringList{"13", "12", "11", "12345678901234567890"}));
    EXPECT_EQ(form.Label1->text(), "总共 4 条");
    form.CheckBox_bxr->click();
    form.Edit_bxr->setText("%_o'");
    form.searchButton->click();
    EXPECT_EQ(shownNumbers(form), QStringList{"13"});
    EXPECT_EQ(form.Label1->text(), "总共 1 条");
    form.CheckBox_bxr->click();
    form.CheckBox_bxsj->click();
    form.Date_bxsj_start->setDate(QDate(2024, 3, 1));
    form.Date_bxsj_end->setDate(QDate(2024, 3, 4));
    form.searchButton->click();
    EXPECT_EQ(shownNumbers(form), (QStringList{"11", "12345678901234567890"}));
    form.CheckBox_bxsj->click();
    form.searchButton->click();

    // Ctrl+F's dialog walks the result on the server.
    form.DBGridEh1->setCurrentIndex(form.DBGridEh1->model()->index(0, 0));
    {
        FindDialog dialog(form.DBGridEh1, &form);
        dialog.scopeBox()->setCurrentIndex(8);      // <All>
        dialog.directionBox()->setCurrentIndex(1);  // down
        dialog.textBox()->setEditText("李四");
        EXPECT_TRUE(dialog.findNext(false));
        EXPECT_EQ(form.DBGridEh1->currentIndex().row(), 3);
        EXPECT_EQ(form.DBGridEh1->currentIndex().column(), 5);
        dialog.textBox()->setEditText("123.5");
        dialog.directionBox()->setCurrentIndex(0);  // up
        EXPECT_TRUE(dialog.findNext(false));
        EXPECT_EQ(form.DBGridEh1->currentIndex().row(), 1);
        dialog.textBox()->setEditText("无此人");
        EXPECT_FALSE(dialog.findNext(false));
        EXPECT_EQ(form.DBGridEh1->currentIndex().row(), 1);
    }

    const QString chosen = dir.file("records");
    prompts.answerFile(FileDialogResult{chosen, 1});
    form.exportButtonClick();
    EXPECT_EQ(prompts.messageTexts().last(), "文件导出成功！\r\n\r\n" + chosen + ".txt");
    const QStringList lines = testfiles::readGbk(chosen + ".txt").split("\r\n");
    ASSERT_EQ(lines.size(), 5);
    EXPECT_EQ(lines[1],
              "044031900111\t13\t100\t20240101\t2024/3/5 9:30:00\t50%_O'Neil\t文件导入\t");
    EXPECT_EQ(lines[2], "044031900111\t12\t123.5\t20240101\t2024/3/5 8:00:00\t张三\t扫描\t");
    EXPECT_EQ(lines[4], "\t12345678901234567890\t\t20240101\t2024/3/1 10:00:00\t李四\t手工录入\t");

    EXPECT_FALSE(QFile::exists(dir.databasePath()));
    EXPECT_FALSE(QFile::exists(dir.databasePath() + "-wal"));
}

// A click on a column title, and the sort it starts in the background done.
void clickTitle(RecordsWindow& form, int column) {
    QHeaderView* header = form.DBGridEh1->horizontalHeader();
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                      QPoint(header->sectionViewportPosition(column) + 5, header->height() / 2));
    EXPECT_TRUE(QTest::qWaitFor([&] { return !form.model()->searching(); }, 20000));
}

TEST_F(ListFormServerTest, AColumnTitleSortsTheRowsOnTheServer) {
    RecordsWindow form(nullptr);
    form.show();
    form.searchButton->click();
    QHeaderView* header = form.DBGridEh1->horizontalHeader();
    EXPECT_EQ(header->sortIndicatorSection(), 4);
    EXPECT_EQ(header->sortIndicatorOrder(), Qt::DescendingOrder);
    clickTitle(form, 5);  // 报销人, upwards
    EXPECT_EQ(shownNumbers(form), (QStringList{"13", "12", "12345678901234567890", "11"}));
    EXPECT_EQ(header->sortIndicatorSection(), 5);
    EXPECT_EQ(header->sortIndicatorOrder(), Qt::AscendingOrder);
    EXPECT_EQ(form.DBGridEh1->currentIndex().row(), 0);
    EXPECT_EQ(form.Label1->text(), "总共 4 条");
    clickTitle(form, 5);
    EXPECT_EQ(shownNumbers(form), (QStringList{"11", "12345678901234567890", "12", "13"}));
    // A new search keeps the order.
    form.CheckBox_bxsj->click();
    form.Date_bxsj_start->setDate(QDate(2024, 3, 1));
    form.Date_bxsj_end->setDate(QDate(2024, 3, 4));
    form.searchButton->click();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !form.model()->searching(); }, 20000));
    EXPECT_EQ(shownNumbers(form), (QStringList{"11", "12345678901234567890"}));
    EXPECT_TRUE(prompts.calls().isEmpty());
}

TEST_F(ListFormServerTest, AServerThatIsDownKeepsTheWindowFromOpeningWithTheStoresWords) {
    useServer("host=" + dir.path() + " port=1 dbname=fpbx user=fpbx_clerk");
    EXPECT_FALSE(runGuarded([] { RecordsWindow form(nullptr); }));
    ASSERT_EQ(prompts.messages().size(), 1);
    EXPECT_EQ(prompts.messages()[0].icon, MsgIcon::Stop);
    EXPECT_TRUE(prompts.messages()[0].text.startsWith("无法连接数据库服务器："))
        << prompts.messages()[0].text.toStdString();
    EXPECT_FALSE(QFile::exists(dir.databasePath()));
}

// A workbook's parts but its creation time, which is the real clock's.
QByteArray workbookParts(const QString& path) {
    QProcess python;
    python.start("python3", {"-c",
                             "import sys, zipfile\n"
                             "z = zipfile.ZipFile(sys.argv[1])\n"
                             "for n in sorted(z.namelist()):\n"
                             "    if n != 'docProps/core.xml':\n"
                             "        sys.stdout.buffer.write(n.encode() + b'\\n' + z.read(n))\n",
                             path});
    python.waitForFinished(60000);
    return python.readAllStandardOutput();
}

// Every export type writes the same bytes from the registry on the server as from the file.
QList<QByteArray> exportEveryType(bool onServer, const QString& folder) {
    TempExeDir dir(ownCompany());
    FakePrompts prompts;
    FakeClock clock{QDateTime(QDate(2024, 3, 5), QTime(10, 0, 0))};
    std::optional<pgtest::Registry> registry;
    if (onServer) {
        registry.emplace(*pgtest::conninfo(), TaxNumber());
        useServer(*pgtest::conninfo());
    }
    insertRows();
    RecordsWindow form(nullptr);
    form.searchButton->click();
    QList<QByteArray> files;
    const QStringList suffixes = {"txt", "csv", "htm", "rtf", "xls", "xlsx"};
    for (int type = 1; type <= suffixes.size(); ++type) {
        const QString path = folder + (onServer ? "/server" : "/file") + QString::number(type);
        prompts.answerFile(FileDialogResult{path, type});
        form.exportButtonClick();
        QFile file(path + u'.' + suffixes[type - 1]);
        EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << file.fileName().toStdString();
        files << (suffixes[type - 1] == "xlsx" ? workbookParts(file.fileName()) : file.readAll());
    }
    return files;
}

TEST(ListFormServerExportTest, EveryTypeWritesTheSameBytesAsFromTheFile) {
    REQUIRE_PG_SERVER();
    QTemporaryDir out;
    const QList<QByteArray> fromFile = exportEveryType(false, out.path());
    const QList<QByteArray> fromServer = exportEveryType(true, out.path());
    ASSERT_EQ(fromFile.size(), 6);
    ASSERT_EQ(fromServer.size(), 6);
    for (int i = 0; i < 6; ++i) {
        EXPECT_GT(fromFile[i].size(), 100) << i;
        EXPECT_TRUE(fromFile[i] == fromServer[i]) << "type " << i + 1;
    }
}

}  // namespace
