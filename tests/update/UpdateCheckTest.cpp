#include <gtest/gtest.h>

#include <QElapsedTimer>

#include "LocalHttpServer.h"
#include "TempExeDir.h"
#include "base/IniFile.h"
#include "update/UpdateCheck.h"

namespace {

QByteArray okResponse(const QByteArray& body) {
    return "HTTP/1.0 200 OK\r\nContent-Type: application/json\r\n\r\n" + body;
}

// An exe directory whose config.ini names the server, version and update URL.
void configure(const TempExeDir& dir, const QString& url, const QString& version) {
    IniFile ini(dir.file("config.ini"));
    ini.writeString("SERVER", "updateUrl", url);
    ini.writeString("SERVER", "server", "srv01");
    if (!version.isNull()) {
        ini.writeString("版本信息", "Version", version);
    }
}

TEST(VersionComparison, FollowsTheCharacterPositions) {
    EXPECT_EQ(updatecheck::isNewer("1.0.1", "1.0.2"), true);
    EXPECT_EQ(updatecheck::isNewer("1.0.9", "1.1.0"), true);
    EXPECT_EQ(updatecheck::isNewer("1.1.0", "1.0.9"), false);
    EXPECT_EQ(updatecheck::isNewer("1.0.10", "1.0.9"), false);
    EXPECT_EQ(updatecheck::isNewer("1.0.9", "1.0.10"), true);
    EXPECT_EQ(updatecheck::isNewer("1.0.1", "1.0.1"), false);
    EXPECT_EQ(updatecheck::isNewer("1.0.1", "2"), true);  // the major numbers decide alone
    EXPECT_EQ(updatecheck::isNewer("", "0.0.0"), true);
    EXPECT_EQ(updatecheck::isNewer("1.0.1", "1.0"), std::nullopt);     // no patch part
    EXPECT_EQ(updatecheck::isNewer("1.1.0", "1.10.0"), std::nullopt);  // patch ".0"
    EXPECT_EQ(updatecheck::isNewer("1.0.1", "x.0.1"), std::nullopt);
}

TEST(Answer, NeedsAnObjectWithStringCodeAndVersion) {
    const auto answer =
        updatecheck::parseAnswer(R"({"code":"success","version":"1.0.2","downloadUrl":"x"})");
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->code, "success");
    EXPECT_EQ(answer->version, "1.0.2");
    EXPECT_FALSE(updatecheck::parseAnswer("not json"));
    EXPECT_FALSE(updatecheck::parseAnswer(R"(["success","1.0.2"])"));
    EXPECT_FALSE(updatecheck::parseAnswer(R"({"code":"success"})"));
    EXPECT_FALSE(updatecheck::parseAnswer(R"({"code":"success","version":102})"));
    EXPECT_FALSE(updatecheck::parseAnswer(R"({"code":1,"version":"1.0.2"})"));
}

TEST(UpdateRequest, IsABareHttp10PostWithThreeHeaders) {
    LocalHttpServer server(okResponse(R"({"code":"success","version":"1.0.1"})"));
    const auto body = updatecheck::postForBody(updatecheck::requestUrl(server.baseUrl(), "srv01"));
    ASSERT_TRUE(body);
    EXPECT_EQ(*body, R"({"code":"success","version":"1.0.1"})");
    EXPECT_EQ(
        server.request(),
        QByteArray("POST /fpbx/client.do?method=updateVersion&flag=16&server=srv01 HTTP/1.0\r\n"
                   "Host: 127.0.0.1:") +
            QByteArray::number(server.port()) +
            "\r\nAccept: text/html, */*\r\n"
            "User-Agent: Mozilla/3.0 (compatible; Indy Library)\r\n\r\n");
}

TEST(UpdateRequest, RedirectsErrorsAndEmptyBodiesGiveNothing) {
    {
        LocalHttpServer server("HTTP/1.0 302 Found\r\nLocation: http://127.0.0.1:1/x\r\n\r\n");
        EXPECT_FALSE(updatecheck::postForBody(server.baseUrl()));
    }
    {
        LocalHttpServer server("HTTP/1.0 500 Internal Server Error\r\n\r\n{\"code\":\"success\"}");
        EXPECT_FALSE(updatecheck::postForBody(server.baseUrl()));
    }
    {
        LocalHttpServer server(okResponse(""));
        const auto body = updatecheck::postForBody(server.baseUrl());
        ASSERT_TRUE(body);
        EXPECT_TRUE(body->isEmpty());
    }
    EXPECT_FALSE(updatecheck::postForBody("http://127.0.0.1:9/fpbx"));  // refused at once
}

class CheckUpdateTest : public ::testing::Test {
protected:
    QString read(const QString& section, const QString& key) const {
        return IniFile(dir.file("config.ini")).readString(section, key, "<absent>");
    }
    TempExeDir dir;
};

TEST_F(CheckUpdateTest, UnconfiguredUrlGetsTheDefaultAndSendsNothing) {
    EXPECT_FALSE(updatecheck::CheckUpdate());
    EXPECT_EQ(read("SERVER", "updateUrl"), "http://127.0.0.1:9/fpbx");
    EXPECT_EQ(read("版本信息", "Version"), "<absent>");  // the check stopped before it
    // The next start asks the default address, which refuses: not sat out to the 5 s limit.
    QElapsedTimer timer;
    timer.start();
    EXPECT_FALSE(updatecheck::CheckUpdate());
    EXPECT_LT(timer.elapsed(), 4000);
    EXPECT_EQ(read("版本信息", "Version"), "1.0.1");
}

TEST_F(CheckUpdateTest, NewerVersionIsAnUpdateEqualOrOlderIsNot) {
    {
        LocalHttpServer server(okResponse(R"({"code":"success","version":"1.0.2"})"));
        configure(dir, server.baseUrl(), QString());
        EXPECT_TRUE(updatecheck::CheckUpdate());
        EXPECT_EQ(read("版本信息", "Version"), "1.0.1");
        EXPECT_TRUE(server.request().contains("&server=srv01 HTTP/1.0"));
    }
    {
        LocalHttpServer server(okResponse(R"({"code":"success","version":"1.0.9"})"));
        configure(dir, server.baseUrl(), "1.0.10");
        EXPECT_FALSE(updatecheck::CheckUpdate());
        EXPECT_EQ(read("版本信息", "Version"), "1.0.10");
    }
    {
        LocalHttpServer server(okResponse(R"({"code":"fail","version":"9.9.9"})"));
        configure(dir, server.baseUrl(), "1.0.1");
        EXPECT_FALSE(updatecheck::CheckUpdate());
    }
    {
        LocalHttpServer server(okResponse(R"({"code":"success","version":"1.0"})"));
        configure(dir, server.baseUrl(), "");
        EXPECT_TRUE(updatecheck::CheckUpdate());  // an empty installed version is always older
    }
    {
        LocalHttpServer server(okResponse("<html>maintenance</html>"));
        configure(dir, server.baseUrl(), "1.0.1");
        EXPECT_FALSE(updatecheck::CheckUpdate());
    }
}

TEST_F(CheckUpdateTest, AServerThatNeverAnswersStopsAtTheTimeOut) {
    // The program's limits, and a tenth of them for the test's own wait.
    EXPECT_EQ(updatecheck::HttpTimeouts{}.connectMs, 3000);
    EXPECT_EQ(updatecheck::HttpTimeouts{}.totalMs, 5000);
    {
        LocalHttpServer server("", /*hang=*/true);
        configure(dir, server.baseUrl(), "1.0.1");
        QElapsedTimer timer;
        timer.start();
        EXPECT_FALSE(updatecheck::CheckUpdate({300, 800}));
        const qint64 waited = timer.elapsed();
        // Given up on the answer, not on the connection: the whole request had been sent.
        EXPECT_TRUE(server.connected());
        EXPECT_TRUE(server.request().endsWith("\r\n\r\n")) << server.request().toStdString();
        EXPECT_FALSE(server.clientStillConnected());
        // Its own limit, well under the program's 5 s.
        EXPECT_LT(waited, 4000);
    }
    // The next check goes on as ever.
    LocalHttpServer answering(okResponse(R"({"code":"success","version":"1.0.2"})"));
    configure(dir, answering.baseUrl(), "1.0.1");
    EXPECT_TRUE(updatecheck::CheckUpdate());
}

TEST_F(CheckUpdateTest, AnUnwritableConfigIniRaises) {
    LocalHttpServer server(okResponse(R"({"code":"success","version":"1.0.2"})"));
    configure(dir, server.baseUrl(), "1.0.1");
    QFile::setPermissions(dir.file("config.ini"), QFile::ReadOwner);
    EXPECT_ANY_THROW(updatecheck::CheckUpdate());
    QFile::setPermissions(dir.file("config.ini"), QFile::ReadOwner | QFile::WriteOwner);
}

}  // namespace
