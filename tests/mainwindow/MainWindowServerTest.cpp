#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <QElapsedTimer>
#include <QThread>

#include "MainWindowFixture.h"
#include "PgTestServer.h"
#include "base/DatabaseSettings.h"
#include "mainwindow/InvoiceFaceView.h"
#include "store/PgConnection.h"

namespace {

const QString kPayload = "01,10,044031900111,12345678,100.00,20200101,12345678901234567890,ABCD";
// Generous bounds on a busy machine: the promise is about 5 s.
constexpr int kOutcomeWithinMs = 15000;
// Well below two bounds of 5 s one after the other.
constexpr int kOneBoundWithinMs = 8500;
// The window is never held up: a start or a key returns long before the server could answer.
constexpr int kWindowAnswersWithinMs = 1500;

class MainWindowServerTest : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        testfiles::writeBytes(bxrPath(), "Ann\r\n");
    }
    void useServer(const QString& conninfo) {
        setDatabaseSettings({DatabaseSettings::Engine::Postgresql, "postgresql", conninfo});
    }
    // Opens the window and returns how long that took.
    qint64 openTimed() {
        QElapsedTimer timer;
        timer.start();
        open();
        return timer.elapsed();
    }
    qint64 scanTimed() {
        QElapsedTimer timer;
        timer.start();
        scan(kPayload);
        return timer.elapsed();
    }
    void waitForTheStore() {
        QTRY_COMPARE_WITH_TIMEOUT(form->storeRunner().pending(), 0, kOutcomeWithinMs);
    }
    QString scanNote() const {
        const QLabel* note = form->Label_note_sm;
        return note->toolTip().isEmpty() ? note->text() : note->toolTip();
    }
};

// A Unix socket of a server that takes connections (the kernel completes them) and never reads
// or answers, as a hung server does.
class SilentServer {
public:
    explicit SilentServer(const QString& dir) {
        path_ = dir + "/.s.PGSQL.5999";
        fd_ = socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        qstrncpy(address.sun_path, QFile::encodeName(path_).constData(), sizeof address.sun_path);
        listening_ = bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
                     listen(fd_, 16) == 0;
    }
    ~SilentServer() {
        close(fd_);
        QFile::remove(path_);
    }
    bool listening() const { return listening_; }

private:
    QString path_;
    int fd_ = -1;
    bool listening_ = false;
};

TEST_F(MainWindowServerTest, AServerThatNeverAnswersIsToldAtStartAndAtAScanWithinSeconds) {
    SilentServer silent(dir.path());
    ASSERT_TRUE(silent.listening());
    useServer("host=" + dir.path() + " port=5999 user=fpbx_clerk dbname=fpbx");
    EXPECT_LT(openTimed(), kWindowAnswersWithinMs);
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(form->Label_num->text(), "—");
    QElapsedTimer started;
    started.start();
    waitForTheStore();
    EXPECT_LT(started.elapsed(), kOutcomeWithinMs);
    EXPECT_EQ(form->Label_msg->text(), "数据库服务器没有响应");
    EXPECT_EQ(scanNote(), "数据库服务器没有响应：连接超时");
    EXPECT_EQ(form->Label_num->text(), "—");
    EXPECT_TRUE(prompts.messages().isEmpty());

    // Two scans in a row: the second, asked while the first found the server silent, is told so
    // with it rather than waiting its own bound; while the first one's box is open (its loop
    // runs), the panel keeps showing the first.
    QStringList facesUnderTheBoxes;
    prompts.onCall = [&](const FakePrompts::Call&) {
        if (facesUnderTheBoxes.isEmpty()) {
            EXPECT_TRUE(QTest::qWaitFor([&] { return form->storeRunner().pending() == 0; },
                                        kOutcomeWithinMs));
        }
        facesUnderTheBoxes << form->Panel_face_sm->shownTexts().join(' ');
    };
    QElapsedTimer scanned;
    scanned.start();
    EXPECT_LT(scanTimed(), kWindowAnswersWithinMs);
    EXPECT_EQ(form->Label_msg->text(), "正在登记…");
    scan(QString(kPayload).replace("12345678,100.00", "12345679,100.00"));
    waitForTheStore();
    ASSERT_EQ(facesUnderTheBoxes.size(), 2);
    EXPECT_TRUE(facesUnderTheBoxes[0].contains("12345678")) << facesUnderTheBoxes[0].toStdString();
    EXPECT_TRUE(facesUnderTheBoxes[1].contains("12345679")) << facesUnderTheBoxes[1].toStdString();
    EXPECT_LT(scanned.elapsed(), kOneBoundWithinMs);
    EXPECT_EQ(form->Label_msg->text(), "登记失败!");
    EXPECT_EQ(form->Label_fphm_sm->text(), "数据库服务器没有响应");
    ASSERT_EQ(prompts.messages().size(), 2);
    for (const auto& box : prompts.messages()) {
        EXPECT_TRUE(box.text.startsWith("数据库服务器没有响应，发票未登记。"))
            << box.text.toStdString();
    }
}

TEST_F(MainWindowServerTest, ATaxNumberWithoutARegistryIsNamedAndNeverMade) {
    REQUIRE_PG_SERVER();
    useServer(*pgtest::conninfo());
    EXPECT_LT(openTimed(), kWindowAnswersWithinMs);
    waitForTheStore();
    EXPECT_EQ(form->Label_msg->text(), "本税号的登记表尚未建立");
    EXPECT_EQ(scanNote(), "本税号的登记表尚未建立，请先运行 fpbxdb init");
    EXPECT_EQ(form->Label_num->text(), "—");
    EXPECT_TRUE(prompts.messages().isEmpty());

    scan(kPayload);
    waitForTheStore();
    EXPECT_EQ(form->Label_msg->text(), "登记失败!");
    EXPECT_EQ(form->Label_fphm_sm->text(), "本税号的登记表尚未建立");
    ASSERT_EQ(prompts.messages().size(), 1);
    EXPECT_TRUE(
        prompts.messages()[0].text.startsWith("本税号的登记表尚未建立，请先运行 fpbxdb init"));
    PgConnection admin = PgConnection::open(*pgtest::conninfo());
    EXPECT_EQ(admin
                  .exec("select count(*) from pg_namespace where nspname = $1",
                        PgParams().text("fpbx_" + TaxNumber()))
                  .text(0, 0),
              "0");
}

// The server away at the start, back later: the first scan after it works without a restart,
// and the panel and the count come right.
TEST_F(MainWindowServerTest, AServerBackAfterAStartWithoutItTakesTheNextScan) {
    pgtest::PrivateServer server;
    ASSERT_TRUE(server.started());
    pgtest::Registry registry(server.conninfo(), TaxNumber());
    ASSERT_TRUE(server.pause());
    useServer(server.conninfo());
    EXPECT_LT(openTimed(), kWindowAnswersWithinMs);
    waitForTheStore();
    EXPECT_EQ(form->Label_msg->text(), "无法连接数据库服务器");
    EXPECT_EQ(form->Label_num->text(), "—");

    ASSERT_TRUE(server.resume());
    scan(kPayload);
    waitForTheStore();
    EXPECT_EQ(form->Label_msg->text(), "报销成功!");
    EXPECT_EQ(form->Label_num->text(), "1");
    EXPECT_EQ(registry.value("select 报销人 from 发票报销 where 发票号码 = '12345678'"), "Ann");
    EXPECT_TRUE(prompts.messages().isEmpty());
}

// On a server the registration runs off the window's thread, yet the clerk is asked there, and
// the answer decides.
TEST_F(MainWindowServerTest, AnAmountAtTheLimitIsConfirmedOnTheWindowsThread) {
    REQUIRE_PG_SERVER();
    pgtest::Registry registry(*pgtest::conninfo(), TaxNumber());
    registry.exec("insert into 核销规则 (规则, 值) values ('金额上限', '100.00')");
    useServer(*pgtest::conninfo());
    open();
    waitForTheStore();
    bool askedOnTheWindowsThread = false;
    prompts.onCall = [&](const FakePrompts::Call&) {
        askedOnTheWindowsThread = QThread::currentThread() == form->thread();
    };
    prompts.answerMessage(MsgAnswer::Ok);
    scan(kPayload);
    waitForTheStore();
    ASSERT_EQ(prompts.messages().size(), 1);
    EXPECT_EQ(prompts.messages()[0].buttons, MsgButtons::YesNo);
    EXPECT_TRUE(askedOnTheWindowsThread);
    EXPECT_EQ(form->Label_msg->text(), "报销成功!");
    EXPECT_EQ(form->Label_num->text(), "1");
    EXPECT_EQ(registry.value("select 核销提示 from 发票报销 where 发票号码 = '12345678'"),
              "金额上限：金额100.00达到上限100.00，已确认");
}

}  // namespace
