#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

// The start-up question to the update service: is there a newer version than the installed one?
// Silent: every failure of the request or the answer counts as "no update". Only a config.ini
// that cannot be written raises (AppError), which ends the start-up.
namespace updatecheck {

// The start waits for the service at most totalMs, the name lookup included.
struct HttpTimeouts {
    long connectMs = 3000;  // name lookup and connection
    long totalMs = 5000;
};

// POST over HTTP/1.0 with no body and exactly the headers Host, Accept and User-Agent; no
// redirect followed. The body when the status is 2xx, nothing on any failure.
std::optional<QByteArray> postForBody(const QString& url, const HttpTimeouts& timeouts = {});

// The body's "code" and "version" when it is a JSON object holding both as strings.
struct Answer {
    QString code;
    QString version;
};
std::optional<Answer> parseAnswer(const QByteArray& body);

// Whether offered is newer than installed: character 1 is the major number, character 3 the
// minor, characters 5 on the patch. An empty installed version is always older. Nothing when a
// part needed for the decision is missing or no decimal number.
std::optional<bool> isNewer(const QString& installed, const QString& offered);

QString requestUrl(const QString& baseUrl, const QString& server);

// The whole check, on config.ini beside the executable.
bool CheckUpdate(const HttpTimeouts& timeouts = {});

}  // namespace updatecheck
