#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <functional>

#include "FakePrompts.h"
#include "TestFiles.h"
#include "base/AppInfo.h"
#include "mainwindow/AddReimburserDialog.h"
#include "mainwindow/ReimburserList.h"
#include "scanner/KeyboardHook.h"

namespace {

// Records hook, unhook and the dialog in the order they happen.
struct EventLog final : KeyboardHook {
    QStringList events;
    void hook() override { events << "hook"; }
    void unhook() override { events << "unhook"; }
};

class PickLists : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString path = dir.filePath("bxr.txt");
    FakePrompts prompts;
    EventLog log;
    QWidget window;
    QComboBox* scanList = new QComboBox(&window);    // ComboBox1
    QComboBox* manualList = new QComboBox(&window);  // ComboBox2
    std::unique_ptr<ReimburserList> list;
    QStringList answers;

    void start(const QByteArray& file) {
        testfiles::writeBytes(path, file);
        list = std::make_unique<ReimburserList>(scanList, manualList, path, log);
        list->setAskName([this](QWidget*) {
            log.events << "dialog";
            return answers.isEmpty() ? QString() : answers.takeFirst();
        });
        list->load();
    }
    static QStringList items(const QComboBox* c) {
        QStringList names;
        for (int i = 0; i < c->count(); ++i) {
            names << c->itemText(i);
        }
        return names;
    }
};

TEST_F(PickLists, LoadFillsBothListsAndSelectsTheLastName) {
    start("Ann\r\n\r\n\xD5\xC5\xC8\xFD\rBob\n\n");
    EXPECT_EQ(items(scanList), (QStringList{"Ann", "张三", "Bob"}));
    EXPECT_EQ(items(manualList), items(scanList));
    EXPECT_EQ(scanList->currentText(), "Bob");
    EXPECT_EQ(manualList->currentText(), "Bob");
    EXPECT_EQ(list->current(), "Bob");
}

TEST_F(PickLists, AnEmptyFileGivesNoSelectionAndNoReimburser) {
    start("");
    EXPECT_EQ(scanList->currentIndex(), -1);
    EXPECT_EQ(manualList->currentIndex(), -1);
    EXPECT_EQ(list->current(), "");
}

TEST_F(PickLists, SelectingTheCurrentReimburserInOneList) {
    start("Ann\r\nBob\r\nann\r\n");
    list->setCurrent("Ann");
    list->selectCurrent(1);
    EXPECT_EQ(manualList->currentText(), "Ann");
    EXPECT_EQ(scanList->currentText(), "ann");
    list->setCurrent("Nobody");
    list->selectCurrent(2);
    EXPECT_EQ(scanList->currentText(), "ann");
}

TEST_F(PickLists, AChoiceMakesTheNameCurrent) {
    start("Ann\r\nBob\r\n");
    scanList->setCurrentIndex(0);
    emit scanList->activated(0);
    EXPECT_EQ(list->current(), "Ann");
    manualList->setCurrentIndex(1);
    emit manualList->activated(1);
    EXPECT_EQ(list->current(), "Bob");
}

TEST_F(PickLists, AddingTwoNamesFromTheScanPanel) {
    start("Ann\r\n");
    answers = QStringList{"张三李四", " Bob "};
    list->Label6Click();
    list->Label6Click();
    EXPECT_EQ(log.events, (QStringList{"unhook", "dialog", "hook", "unhook", "dialog", "hook"}));
    EXPECT_EQ(testfiles::readBytes(path),
              QByteArray("Ann\r\n\xD5\xC5\xC8\xFD\xC0\xEE\xCB\xC4\r\n Bob \r\n"));
    EXPECT_EQ(items(scanList), (QStringList{"Ann", "张三李四", " Bob "}));
    EXPECT_EQ(items(manualList), items(scanList));
    EXPECT_EQ(scanList->currentText(), " Bob ");
    EXPECT_EQ(manualList->currentText(), "Ann");  // the other list keeps its selection
    EXPECT_EQ(list->current(), " Bob ");
}

TEST_F(PickLists, AddingFromTheManualPanelNeitherUnhooksNorHooks) {
    start("");
    answers = QStringList{"Ann"};
    list->Label7Click();
    EXPECT_EQ(log.events, QStringList{"dialog"});
    EXPECT_EQ(manualList->currentText(), "Ann");
    EXPECT_EQ(scanList->currentIndex(), -1);  // no selection appears on its own
    EXPECT_EQ(items(scanList), QStringList{"Ann"});
    EXPECT_EQ(list->current(), "Ann");
}

TEST_F(PickLists, ACancelledDialogChangesNothing) {
    start("Ann\r\nBob\r\n");
    list->setCurrent("Ann");
    list->Label6Click();
    EXPECT_EQ(log.events, (QStringList{"unhook", "dialog", "hook"}));
    EXPECT_EQ(items(scanList), (QStringList{"Ann", "Bob"}));
    EXPECT_EQ(testfiles::readBytes(path), QByteArray("Ann\r\nBob\r\n"));
    EXPECT_EQ(list->current(), "Ann");
}

TEST_F(PickLists, ANameAlreadyListedIsSelectedAndMadeCurrentWithoutBeingAddedAgain) {
    start("Ann\r\nBob\r\n");
    answers = QStringList{"Ann"};
    list->Label7Click();
    EXPECT_EQ(items(manualList), (QStringList{"Ann", "Bob"}));
    EXPECT_EQ(manualList->currentText(), "Ann");
    EXPECT_EQ(scanList->currentText(), "Bob");
    EXPECT_EQ(testfiles::readBytes(path), QByteArray("Ann\r\nBob\r\n"));
    EXPECT_EQ(list->current(), "Ann");
}

TEST_F(PickLists, ANameThatCannotBeSavedIsNotOffered) {
    start("Ann\r\n");
    QFile::remove(path);
    QDir().mkdir(path);  // bxr.txt cannot be appended to
    answers = QStringList{"Bob"};
    list->Label6Click();
    ASSERT_EQ(prompts.messages().size(), 1);
    EXPECT_EQ(prompts.messages()[0].caption, appinfo::title());
    EXPECT_EQ(prompts.messages()[0].icon, MsgIcon::Stop);
    EXPECT_EQ(items(scanList), QStringList{"Ann"});
    EXPECT_EQ(items(manualList), QStringList{"Ann"});
    EXPECT_EQ(list->current(), "Ann");
    EXPECT_EQ(log.events, (QStringList{"unhook", "dialog", "hook"}));
}

class AddDialog : public ::testing::Test {
protected:
    FakePrompts prompts;
    QWidget owner;
    QTimer guard;

    // Acts on the dialog once its modal loop runs; a dialog still open seconds later is closed,
    // so that a failing test cannot hang.
    void whenOpen(std::function<void(AddReimburserDialog&)> act) {
        QTimer::singleShot(0, [act] {
            auto* form = qobject_cast<AddReimburserDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(form, nullptr);
            act(*form);
        });
        guard.setSingleShot(true);
        guard.callOnTimeout([] {
            if (QWidget* open = QApplication::activeModalWidget()) {
                open->close();
            }
        });
        guard.start(3000);
    }
};

TEST_F(AddDialog, Captions) {
    AddReimburserDialog form(&owner);
    EXPECT_EQ(form.windowTitle(), "添加报销人");
    EXPECT_EQ(form.size(), QSize(249, 138));
    EXPECT_FALSE(form.windowFlags().testFlag(Qt::WindowMinimizeButtonHint));
}

TEST_F(AddDialog, RefusesEmptyTooLongAndUnsavableNamesAndStaysOpen) {
    AddReimburserDialog form(&owner);
    form.show();
    for (const QString& name : {QString(), QString("张三李四a"), QString("张😀")}) {
        form.Edit1->setText(name);
        form.Button1->click();
        EXPECT_TRUE(form.isVisible());
        EXPECT_EQ(form.acceptedFlag(), 0);
    }
    EXPECT_EQ(prompts.messageTexts(),
              (QStringList{"请输入报销人！", "最长输入8个字符！", "报销人含有无法保存的字符！"}));
    for (const FakePrompts::Call& call : prompts.messages()) {
        EXPECT_EQ(call.caption, "提示");
        EXPECT_EQ(call.owner, &form);
        EXPECT_EQ(call.buttons, MsgButtons::Ok);
    }
}

TEST_F(AddDialog, RunsModallyAndGivesTheAcceptedName) {
    whenOpen([](AddReimburserDialog& form) {
        form.Edit1->setText("张三李四");
        form.Button1->click();
    });
    EXPECT_EQ(AddReimburserDialog::ask(&owner), "张三李四");
    whenOpen([](AddReimburserDialog& form) {
        form.Edit1->setText("Bob");
        form.Button2->click();
    });
    EXPECT_EQ(AddReimburserDialog::ask(&owner), "");
    whenOpen([](AddReimburserDialog& form) {
        form.Edit1->setText("Bob");
        form.close();  // the close box
    });
    EXPECT_EQ(AddReimburserDialog::ask(&owner), "");
}

}  // namespace
