#include "update/UpdateCheck.h"

#include <curl/curl.h>
#include <json/json.h>

#include <cstring>
#include <memory>

#include "base/AppInfo.h"
#include "base/Config.h"
#include "base/IniFile.h"

namespace updatecheck {

namespace {

size_t collectBody(char* data, size_t size, size_t count, void* target) {
    static_cast<QByteArray*>(target)->append(data, qsizetype(size * count));
    return size * count;
}

std::optional<int> number(const QString& text) {
    if (text.isEmpty()) {
        return std::nullopt;
    }
    bool ok = false;
    const int value = text.toInt(&ok, 10);
    if (!ok) {
        return std::nullopt;
    }
    return value;
}

std::optional<QString> stringMember(const Json::Value& root, const char* name) {
    const Json::Value* member = root.find(name, name + std::strlen(name));
    if (member == nullptr || !member->isString()) {
        return std::nullopt;
    }
    return QString::fromStdString(member->asString());
}

}  // namespace

std::optional<QByteArray> postForBody(const QString& url, const HttpTimeouts& timeouts) {
    static const bool initialised = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
    if (!initialised) {
        return std::nullopt;
    }
    std::unique_ptr<CURL, decltype(&curl_easy_cleanup)> curl(curl_easy_init(), curl_easy_cleanup);
    if (!curl) {
        return std::nullopt;
    }
    const QByteArray urlBytes = url.toUtf8();
    CURLU* parsed = curl_url();
    char* host = nullptr;
    char* port = nullptr;
    const bool hostKnown =
        curl_url_set(parsed, CURLUPART_URL, urlBytes.constData(), 0) == CURLUE_OK &&
        curl_url_get(parsed, CURLUPART_HOST, &host, 0) == CURLUE_OK;
    curl_url_get(parsed, CURLUPART_PORT, &port, 0);
    QByteArray hostHeader = QByteArray("Host: ") + (host != nullptr ? host : "");
    if (port != nullptr && QByteArray(port) != "80") {
        hostHeader += QByteArray(":") + port;
    }
    curl_free(host);
    curl_free(port);
    curl_url_cleanup(parsed);
    if (!hostKnown) {
        return std::nullopt;
    }

    curl_slist* headers = nullptr;
    headers = curl_slist_append(headers, hostHeader.constData());
    headers = curl_slist_append(headers, "Accept: text/html, */*");
    headers = curl_slist_append(headers, "User-Agent: Mozilla/3.0 (compatible; Indy Library)");
    std::unique_ptr<curl_slist, decltype(&curl_slist_free_all)> headerList(headers,
                                                                           curl_slist_free_all);
    QByteArray body;
    CURL* h = curl.get();
    curl_easy_setopt(h, CURLOPT_URL, urlBytes.constData());
    curl_easy_setopt(h, CURLOPT_HTTP_VERSION, CURL_HTTP_VERSION_1_0);
    // A bare POST: CURLOPT_POST would add a content type and "Content-Length: 0".
    curl_easy_setopt(h, CURLOPT_CUSTOMREQUEST, "POST");
    curl_easy_setopt(h, CURLOPT_HTTPHEADER, headerList.get());
    curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, 0L);
    curl_easy_setopt(h, CURLOPT_PROXY, "");
    curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT_MS, timeouts.connectMs);
    curl_easy_setopt(h, CURLOPT_TIMEOUT_MS, timeouts.totalMs);
    // The time-outs cover the name lookup (libcurl resolves on a thread of its own), but at the
    // end libcurl would wait for a lookup still hanging on a silent name server (10 s and more);
    // quick exit leaves that thread behind instead.
    curl_easy_setopt(h, CURLOPT_QUICK_EXIT, 1L);
    curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, collectBody);
    curl_easy_setopt(h, CURLOPT_WRITEDATA, &body);
    if (curl_easy_perform(h) != CURLE_OK) {
        return std::nullopt;
    }
    long status = 0;
    curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &status);
    if (status < 200 || status > 299) {
        return std::nullopt;
    }
    return body;
}

std::optional<Answer> parseAnswer(const QByteArray& body) {
    Json::CharReaderBuilder builder;
    std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
    Json::Value root;
    std::string errors;
    if (!reader->parse(body.constData(), body.constData() + body.size(), &root, &errors) ||
        !root.isObject()) {
        return std::nullopt;
    }
    const std::optional<QString> code = stringMember(root, "code");
    const std::optional<QString> version = stringMember(root, "version");
    if (!code || !version) {
        return std::nullopt;
    }
    return Answer{*code, *version};
}

std::optional<bool> isNewer(const QString& installed, const QString& offered) {
    if (installed.isEmpty()) {
        return true;
    }
    const auto parts = {std::pair<qsizetype, qsizetype>{0, 1}, {2, 1}, {4, -1}};
    for (const auto& [start, length] : parts) {
        const std::optional<int> mine = number(installed.mid(start, length));
        const std::optional<int> theirs = number(offered.mid(start, length));
        if (!mine || !theirs) {
            return std::nullopt;
        }
        if (*mine != *theirs) {
            return *theirs > *mine;
        }
    }
    return false;
}

QString requestUrl(const QString& baseUrl, const QString& server) {
    return baseUrl + QStringLiteral("/client.do?method=updateVersion&flag=") +
           appinfo::updateFlag() + QStringLiteral("&server=") + server;
}

bool CheckUpdate(const HttpTimeouts& timeouts) {
    IniFile ini(config::iniPath());
    const QString baseUrl = config::readUpdateUrlWritingDefault(ini);
    if (baseUrl == config::unconfiguredUpdateUrl() || baseUrl.isEmpty()) {
        return false;
    }
    const QString server = config::readServer(ini);
    const QString installed = config::readVersionWritingBack(ini);

    const std::optional<QByteArray> body = postForBody(requestUrl(baseUrl, server), timeouts);
    if (!body || body->isEmpty()) {
        return false;
    }
    const std::optional<Answer> answer = parseAnswer(*body);
    if (!answer || answer->code != QStringLiteral("success")) {
        return false;
    }
    return isNewer(installed, answer->version).value_or(false);
}

}  // namespace updatecheck
