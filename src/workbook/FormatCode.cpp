#include "workbook/FormatCode.h"

namespace formatcode {

namespace {

// The length of an AM/PM marker at at, or 0.
qsizetype amPmLength(QStringView code, qsizetype at) {
    for (const QStringView marker : {u"am/pm", u"a/p", u"上午/下午"}) {
        if (code.mid(at, marker.size()).compare(marker, Qt::CaseInsensitive) == 0) {
            return marker.size();
        }
    }
    return 0;
}

}  // namespace

void forEachToken(QStringView code, const std::function<bool(const Token&)>& visit) {
    for (qsizetype i = 0; i < code.size(); ++i) {
        const QChar c = code[i].toLower();
        Token token;
        if (c == u'"') {
            const qsizetype close = code.indexOf(u'"', i + 1);
            i = close < 0 ? code.size() : close;
            continue;
        }
        if (c == u'\\' || c == u'_' || c == u'*') {
            ++i;  // an escaped character, a space as wide as one, a fill character
            continue;
        }
        if (c == u'[') {
            const qsizetype close = code.indexOf(u']', i + 1);
            const qsizetype end = close < 0 ? code.size() : close;
            token.kind = Token::Kind::Bracketed;
            token.inside = code.sliced(i + 1, end - i - 1);
            i = end;
        } else if (c == u';') {
            token.kind = Token::Kind::SectionEnd;
        } else if (const qsizetype marker = amPmLength(code, i); marker > 0) {
            token.kind = Token::Kind::AmPm;
            i += marker - 1;
        } else {
            token.letter = c;
        }
        if (!visit(token)) {
            return;
        }
    }
}

bool isElapsedTime(QStringView inside) {
    if (inside.isEmpty()) {
        return false;
    }
    const QChar first = inside.front().toLower();
    for (const QChar c : inside) {
        if (c.toLower() != first) {
            return false;
        }
    }
    return first == u'h' || first == u'm' || first == u's';
}

}  // namespace formatcode
