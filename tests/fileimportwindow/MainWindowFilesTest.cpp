#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QMimeData>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QUrl>
#include <functional>

#include "../mainwindow/MainWindowFixture.h"
#include "InvoiceFilePaths.h"
#include "app/SingleInstance.h"
#include "app/StartupPreparation.h"
#include "fileimportwindow/FileImportWindow.h"
#include "mainwindow/ReimburserList.h"

namespace {

class MainWindowFilesTest : public MainWindowTest {
protected:
    // Runs action, which opens the file import window modally; once its batch is read, inside
    // looks at it, and the window is closed.
    bool whileImporting(const std::function<void()>& action,
                        const std::function<void(FileImportWindow&)>& inside) {
        bool seen = false;
        QTimer poll;
        poll.setInterval(20);
        QObject::connect(&poll, &QTimer::timeout, [&] {
            FileImportWindow* window = form->fileImportWindow();
            if (window == nullptr || window->running() || !window->isVisible()) {
                return;
            }
            poll.stop();
            seen = true;
            inside(*window);
            window->reject();
        });
        poll.start();
        action();
        return seen;
    }

    static void drop(QWidget* target, const QList<QUrl>& urls) {
        QMimeData data;
        data.setUrls(urls);
        const QPoint at = target->rect().center();
        QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &enter);
        ASSERT_TRUE(enter.isAccepted());
        QDropEvent dropped(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &dropped);
        ASSERT_TRUE(dropped.isAccepted());
    }

    QString folderWith(const QStringList& names) {
        const QString folder = dir.file("inbox");
        QDir().mkpath(folder);
        for (const QString& name : names) {
            QFile::copy(invoiceFile(name), folder + "/" + name);
        }
        return folder;
    }
};

TEST_F(MainWindowFilesTest, AFolderDroppedOnTheScanFieldIsReadUnderTheCurrentReimburser) {
    testfiles::writeBytes(bxrPath(), "\xD5\xC5\xC8\xFD\r\n");  // 张三
    open();
    const QString folder = folderWith({"pdf_qr_old.pdf", "pdf_garbage.pdf"});
    QStringList results;
    const bool opened = whileImporting(
        [&] {
            drop(form->DataEdit, {QUrl::fromLocalFile(folder)});
            QTest::qWait(0);
            QCoreApplication::processEvents();
        },
        [&](FileImportWindow& window) {
            for (int r = 0; r < window.list->rowCount(); ++r) {
                results << window.list->item(r, 4)->text();
            }
        });
    ASSERT_TRUE(opened);
    // Folder files in name order: pdf_garbage.pdf before pdf_qr_old.pdf.
    EXPECT_EQ(results, (QStringList{"无法识别：文件已损坏", "报销成功"}));
    EXPECT_EQ(rows(), (QList<Row>{{"044031900111", "12345678", "1000000", "20200101",
                                   "12345678901234567890", "张三", 3}}));
    EXPECT_EQ(form->Label_num->text(), "1");
    EXPECT_EQ(form->DataEdit->toPlainText(), "");  // the drop typed nothing into the scan
}

TEST_F(MainWindowFilesTest, TheLinkOffersFilesOrAFolderThroughTheFileDialog) {
    open();
    ASSERT_EQ(form->filesMenu->actions().size(), 2);
    EXPECT_EQ(form->filesMenu->actions()[0]->text(), "选择文件…");
    EXPECT_EQ(form->filesMenu->actions()[1]->text(), "选择文件夹…");

    prompts.answerFile(
        FileDialogResult(invoiceFile("pdf_qr_old.pdf"), 1,
                         {invoiceFile("pdf_qr_old.pdf"), invoiceFile("ofd_qr.ofd")}));
    int listed = 0;
    ASSERT_TRUE(
        whileImporting([&] { form->filesMenu->actions()[0]->trigger(); },
                       [&](FileImportWindow& window) { listed = window.list->rowCount(); }));
    EXPECT_EQ(listed, 2);
    ASSERT_EQ(prompts.calls().size(), 1);
    EXPECT_EQ(prompts.calls()[0].request.pick, FileDialogRequest::Pick::SeveralFiles);

    // A folder without invoice files says so, and no window opens.
    prompts.clear();
    QDir().mkpath(dir.file("empty"));
    testfiles::writeBytes(dir.file("empty/readme.txt"), "x");
    prompts.answerFile(FileDialogResult(dir.file("empty")));
    form->filesMenu->actions()[1]->trigger();
    EXPECT_EQ(prompts.calls()[0].request.pick, FileDialogRequest::Pick::Folder);
    EXPECT_EQ(prompts.messageTexts(),
              QStringList{"所选位置没有PDF或OFD发票文件，请选择电子发票文件或其所在的文件夹。"});
    EXPECT_EQ(form->fileImportWindow(), nullptr);
}

TEST_F(MainWindowFilesTest, ADropOfTextIsNoFileImport) {
    open();
    QMimeData data;
    data.setText("044031900111");
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(form.get(), &enter);
    EXPECT_FALSE(enter.isAccepted());
    // Only local files: an address on the web is not taken.
    data.setUrls({QUrl("https://example.invalid/a.pdf")});
    QDragEnterEvent web(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(form.get(), &web);
    EXPECT_FALSE(web.isAccepted());
}

TEST(CommandLine, FilesAreTakenWithOrWithoutTheFileCommandAndTheRestIsRefusedWithWhy) {
    const QTemporaryDir dir;
    const QString d = dir.path();
    testfiles::writeBytes(d + "/a.pdf", "%PDF-1.7");
    testfiles::writeBytes(d + "/b.OFD", "PK");
    testfiles::writeBytes(d + "/scan", "%PDF-1.4");  // a PDF by its content
    testfiles::writeBytes(d + "/notes.txt", "hello");
    QDir(d).mkdir("folder");
    const QString here = QDir::currentPath();
    struct Case {
        QStringList arguments;
        QStringList files;
        QStringList refused;
    };
    const QList<Case> cases = {
        {{"fpbx", "file", "a.pdf", "/x/b.ofd"}, {here + "/a.pdf", "/x/b.ofd"}, {}},
        {{"fpbx", "file"}, {}, {}},
        {{"fpbx"}, {}, {}},
        {{"fpbx", d + "/a.pdf", d + "/b.OFD", "--an-option", d + "/scan", d + "/folder"},
         {d + "/a.pdf", d + "/b.OFD", d + "/scan", d + "/folder"},
         {}},
        {{"fpbx", d + "/notes.txt", d + "/gone.pdf"},
         {},
         {d + "/notes.txt：不是PDF或OFD发票文件", d + "/gone.pdf：文件不存在"}},
    };
    for (const Case& c : cases) {
        const startup::CommandLine line = startup::readCommandLine(c.arguments);
        EXPECT_EQ(line.files, c.files) << c.arguments.join(' ').toStdString();
        EXPECT_EQ(line.refused, c.refused) << c.arguments.join(' ').toStdString();
    }
}

TEST(SingleInstanceFiles, ALaterStartHandsItsFilesToTheRunningInstance) {
    SingleInstance first("fpbx files test");
    ASSERT_TRUE(first.acquire());
    int activations = 0;
    first.setActivationHandler([&] { ++activations; });

    // Before the window is there: the files wait for the handler.
    SingleInstance second("fpbx files test");
    EXPECT_FALSE(second.acquire({"/data/发票 1.pdf", "/data/b,c.ofd"}));
    ASSERT_TRUE(QTest::qWaitFor([&] { return activations == 1; }, 20000));
    QList<QStringList> handed;
    first.setFilesHandler([&](const QStringList& files) { handed << files; });
    ASSERT_TRUE(QTest::qWaitFor([&] { return handed.size() == 1; }, 20000));
    EXPECT_EQ(handed[0], (QStringList{"/data/发票 1.pdf", "/data/b,c.ofd"}));

    SingleInstance third("fpbx files test");
    EXPECT_FALSE(third.acquire({"/data/c.pdf"}));
    ASSERT_TRUE(QTest::qWaitFor([&] { return handed.size() == 2; }, 20000));
    EXPECT_EQ(handed[1], QStringList{"/data/c.pdf"});
    EXPECT_EQ(activations, 2);
}

}  // namespace
