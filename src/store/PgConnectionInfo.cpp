#include "store/PgConnectionInfo.h"

#include <libpq-fe.h>

#include <QRegularExpression>

#include "base/AppError.h"

namespace pgconninfo {

namespace {

constexpr char kHidden[] = "***";

// The parsed options, freed with it; empty when the string cannot be parsed.
class ParsedOptions {
public:
    explicit ParsedOptions(const QString& conninfo) {
        char* error = nullptr;
        options_ = PQconninfoParse(conninfo.toUtf8().constData(), &error);
        if (error != nullptr) {
            error_ = QString::fromUtf8(error);
            PQfreemem(error);
        }
    }
    ~ParsedOptions() { PQconninfoFree(options_); }
    ParsedOptions(const ParsedOptions&) = delete;
    ParsedOptions& operator=(const ParsedOptions&) = delete;

    bool ok() const { return options_ != nullptr; }
    const QString& error() const { return error_; }
    const PQconninfoOption* begin() const { return options_; }

private:
    PQconninfoOption* options_ = nullptr;
    QString error_;
};

QString quotedValue(const char* value) {
    QString text = QString::fromUtf8(value);
    static const QRegularExpression plain(QStringLiteral("^[^\\s'\\\\]+$"));
    if (plain.match(text).hasMatch()) {
        return text;
    }
    text.replace(u'\\', QStringLiteral("\\\\")).replace(u'\'', QStringLiteral("\\'"));
    return u'\'' + text + u'\'';
}

}  // namespace

Parameters connectParameters(const QString& conninfo) {
    const ParsedOptions parsed(conninfo);
    if (!parsed.ok()) {
        throw AppError(
            QStringLiteral("数据库连接设置无法解析：%1").arg(scrubbed(parsed.error(), conninfo)));
    }
    Parameters parameters = {
        {"connect_timeout", "5"},
        {"keepalives", "1"},
        {"keepalives_idle", "30"},
        {"keepalives_interval", "10"},
        {"keepalives_count", "3"},
        // A server that stops answering mid-statement over TCP is given up after this.
        {"tcp_user_timeout", "20000"},
        {"application_name", "fpbx"},
    };
    for (const PQconninfoOption* o = parsed.begin(); o->keyword != nullptr; ++o) {
        if (o->val != nullptr) {
            parameters.emplace_back(o->keyword, o->val);
        }
    }
    parameters.emplace_back("client_encoding", "UTF8");
    return parameters;
}

QString redacted(const QString& conninfo) {
    const ParsedOptions parsed(conninfo);
    if (!parsed.ok()) {
        return QStringLiteral("(无法解析的连接设置)");
    }
    QStringList parts;
    for (const PQconninfoOption* o = parsed.begin(); o->keyword != nullptr; ++o) {
        if (o->val == nullptr) {
            continue;
        }
        const QString keyword = QString::fromUtf8(o->keyword);
        const bool secret = keyword == QStringLiteral("password") ||
                            QByteArray(o->dispchar) == QByteArrayLiteral("*");
        parts << keyword + u'=' + (secret ? QString::fromLatin1(kHidden) : quotedValue(o->val));
    }
    return parts.join(u' ');
}

QString scrubbed(const QString& message, const QString& conninfo) {
    QString text = message;
    const ParsedOptions parsed(conninfo);
    if (parsed.ok()) {
        for (const PQconninfoOption* o = parsed.begin(); o->keyword != nullptr; ++o) {
            if (o->val != nullptr && qstrcmp(o->keyword, "password") == 0 && o->val[0] != '\0') {
                text.replace(QString::fromUtf8(o->val), QString::fromLatin1(kHidden));
            }
        }
    }
    // What a parser's message may quote from a string it could not read.
    static const QRegularExpression keywordForm(
        QStringLiteral(R"((password\s*=\s*)('(?:[^'\\]|\\.)*'?|\S+))"),
        QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression uriForm(
        QStringLiteral(R"((postgres(?:ql)?://[^:/@\s]*:)[^@\s]*@)"),
        QRegularExpression::CaseInsensitiveOption);
    text.replace(keywordForm, QStringLiteral("\\1***"));
    text.replace(uriForm, QStringLiteral("\\1***@"));
    return text;
}

}  // namespace pgconninfo
