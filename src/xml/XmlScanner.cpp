#include "xml/XmlScanner.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace {

using Table = std::array<bool, 256>;

// The bytes a scanner copies without a second look: printable ASCII but its stops.
constexpr Table plainBytes(std::string_view stops, bool tabAndLf) {
    Table table{};
    for (int c = 0x20; c < 0x80; ++c) {
        table[c] = stops.find(char(c)) == std::string_view::npos;
    }
    table['\t'] = table['\n'] = tabAndLf;
    return table;
}

constexpr Table kText = plainBytes("<&]", true);
constexpr Table kValue = plainBytes("<&\"'", false);
constexpr Table kCData = plainBytes("]", true);

constexpr Table nameBytes(bool start) {
    Table table{};
    for (int c = 0; c < 0x80; ++c) {
        const bool letter =
            (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c == ':';
        const bool more = (c >= '0' && c <= '9') || c == '-' || c == '.';
        table[c] = letter || (!start && more);
    }
    return table;
}

constexpr Table kNameStart = nameBytes(true);
constexpr Table kName = nameBytes(false);

// The non-ASCII characters that may start a name, and those that may follow.
bool isNameStart(char32_t c) {
    return (c >= 0xC0 && c <= 0xD6) || (c >= 0xD8 && c <= 0xF6) || (c >= 0xF8 && c <= 0x2FF) ||
           (c >= 0x370 && c <= 0x37D) || (c >= 0x37F && c <= 0x1FFF) ||
           (c >= 0x200C && c <= 0x200D) || (c >= 0x2070 && c <= 0x218F) ||
           (c >= 0x2C00 && c <= 0x2FEF) || (c >= 0x3001 && c <= 0xD7FF) ||
           (c >= 0xF900 && c <= 0xFDCF) || (c >= 0xFDF0 && c <= 0xFFFD) ||
           (c >= 0x10000 && c <= 0xEFFFF);
}

bool isNameChar(char32_t c) {
    return isNameStart(c) || c == 0xB7 || (c >= 0x300 && c <= 0x36F) ||
           (c >= 0x203F && c <= 0x2040);
}

bool isXmlChar(char32_t c) {
    return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) ||
           (c >= 0xE000 && c <= 0xFFFD) || (c >= 0x10000 && c <= 0x10FFFF);
}

void put(char16_t*& o, char32_t c) {
    if (c < 0x10000) {
        *o++ = char16_t(c);
    } else {
        c -= 0x10000;
        *o++ = char16_t(0xD800 + (c >> 10));
        *o++ = char16_t(0xDC00 + (c & 0x3FF));
    }
}

}  // namespace

XmlScanner::XmlScanner(QString part, bool qualified)
    : part_(std::move(part)), qualified_(qualified), buf_(1, '\0') {}

char* XmlScanner::space(qsizetype size) {
    if (pos_ > 0) {
        lines_ += lines(buf_.data(), token());
        std::memmove(buf_.data(), token(), size_t(end_ - pos_ + 1));  // and the NUL
        end_ -= pos_;
        pos_ = 0;
    }
    if (qsizetype(buf_.size()) < end_ + size + 1) {
        buf_.resize(size_t(end_ + size + 1));
    }
    return buf_.data() + end_;
}

void XmlScanner::commit(qsizetype size) {
    end_ += size;
    buf_[size_t(end_)] = '\0';  // where every scanner stops
}

void XmlScanner::grow(size_t size) {
    out_.resize(std::max(size, out_.size() * 2));
}

// Parts of a workbook have few LFs, if any: memchr skips to them.
qint64 XmlScanner::lines(const char* from, const char* to) {
    qint64 count = 0;
    while (const void* lf = std::memchr(from, '\n', size_t(to - from))) {
        ++count;
        from = static_cast<const char*>(lf) + 1;
    }
    return count;
}

qint64 XmlScanner::lineAt(const char* p) const {
    return lines_ + lines(buf_.data(), p) + 1;
}

void XmlScanner::refuse(XmlError::Kind kind) const {
    throw XmlError(kind, part_, line());
}

void XmlScanner::fail(const char* p) const {
    throw XmlError(XmlError::Kind::Malformed, part_, lineAt(p));
}

// A byte that has no place where it is: the end of the bytes so far, or a fault.
void XmlScanner::unexpected(const char* p) const {
    if (p == end() && !closed_) {
        throw Starved();
    }
    fail(p);
}

bool XmlScanner::startsWith(const char* p, std::string_view literal) const {
    for (const char c : literal) {
        if (p == end()) {
            if (!closed_) {
                throw Starved();
            }
            return false;
        }
        if (*p++ != c) {
            return false;
        }
    }
    return true;
}

bool XmlScanner::spaceAt(const char* p) const {
    if (p == end() && !closed_) {
        throw Starved();
    }
    return isSpace(*p);
}

bool XmlScanner::skipSpace(const char*& p) {
    const char* from = p;
    while (isSpace(*p)) {
        ++p;
    }
    return p != from;
}

// A character of two to four bytes, checked as UTF-8 and as a character XML holds.
char32_t XmlScanner::decode(const char*& p) const {
    const auto* s = reinterpret_cast<const unsigned char*>(p);
    int size = 0;
    char32_t c = 0;
    unsigned char low = 0x80, high = 0xBF;  // of the second byte
    if (s[0] >= 0xC2 && s[0] <= 0xDF) {
        size = 2;
        c = s[0] & 0x1F;
    } else if (s[0] >= 0xE0 && s[0] <= 0xEF) {
        size = 3;
        c = s[0] & 0x0F;
        low = s[0] == 0xE0 ? 0xA0 : 0x80;   // not overlong
        high = s[0] == 0xED ? 0x9F : 0xBF;  // not a surrogate
    } else if (s[0] >= 0xF0 && s[0] <= 0xF4) {
        size = 4;
        c = s[0] & 0x07;
        low = s[0] == 0xF0 ? 0x90 : 0x80;
        high = s[0] == 0xF4 ? 0x8F : 0xBF;  // not past U+10FFFF
    } else {
        fail(p);
    }
    for (int i = 1; i < size; ++i) {
        if (s[i] < (i == 1 ? low : 0x80) || s[i] > (i == 1 ? high : 0xBF)) {
            unexpected(p + i);
        }
        c = (c << 6) | (s[i] & 0x3F);
    }
    if (c == 0xFFFE || c == 0xFFFF) {
        fail(p);
    }
    p += size;
    return c;
}

// Past characters up to the next stop byte.
void XmlScanner::skipChars(const char*& p, char stop) const {
    for (;;) {
        const unsigned char c = *p;
        if (c == stop) {
            return;
        }
        if ((c >= 0x20 && c < 0x80) || isSpace(c)) {
            ++p;
        } else if (c >= 0x80) {
            decode(p);
        } else {
            unexpected(p);
        }
    }
}

XmlScanner::Name XmlScanner::readName(const char*& p, char16_t*& o) const {
    const char16_t* from = o;
    const char* first = p;
    if (kNameStart[uchar(*p)]) {
        *o++ = char16_t(*p++);
    } else if (uchar(*p) < 0x80) {
        unexpected(p);
    } else if (const char32_t c = decode(p); isNameStart(c)) {
        put(o, c);
    } else {
        fail(first);
    }
    for (;;) {
        const unsigned char c = *p;
        if (kName[c]) {
            *o++ = char16_t(c);
            ++p;
        } else if (c < 0x80) {
            break;
        } else {
            const char* at = p;
            const char32_t more = decode(p);
            if (!isNameChar(more)) {
                fail(at);
            }
            put(o, more);
        }
    }
    if (p == end()) {
        unexpected(p);  // the name may go on
    }
    Name name;
    static_cast<Span&>(name) = span(from, o);
    const std::u16string_view written = u16(name);
    const size_t colon = written.rfind(u':');
    name.colon = colon == std::u16string_view::npos ? -1 : qsizetype(colon);
    if (qualified_ && name.colon >= 0 &&
        (name.colon == 0 || name.colon == name.size - 1 || written.find(u':') != colon)) {
        fail(first);  // not a qualified name
    }
    return name;
}

void XmlScanner::reference(const char*& p, char16_t*& o) const {
    const char* amp = p;
    if (p[1] == '#') {
        const bool hex = p[2] == 'x';
        p += hex ? 3 : 2;
        const char* digits = p;
        char32_t value = 0;
        for (;; ++p) {
            const unsigned char c = *p;
            const unsigned char lower = c | 0x20;
            if (c >= '0' && c <= '9') {
                value = value * (hex ? 16 : 10) + (c - '0');
            } else if (hex && lower >= 'a' && lower <= 'f') {
                value = value * 16 + (lower - 'a' + 10);
            } else {
                break;
            }
            if (value > 0x10FFFF) {
                fail(amp);
            }
        }
        if (*p != ';') {
            unexpected(p);
        }
        if (p == digits || !isXmlChar(value)) {
            fail(amp);
        }
        ++p;
        put(o, value);
        return;
    }
    // No DTD, so no entities but XML's own.
    static constexpr std::pair<std::string_view, char16_t> kEntities[] = {
        {"lt;", u'<'}, {"gt;", u'>'}, {"amp;", u'&'}, {"quot;", u'"'}, {"apos;", u'\''}};
    for (const auto& [entity, c] : kEntities) {
        if (startsWith(p + 1, entity)) {
            p += 1 + entity.size();
            *o++ = c;
            return;
        }
    }
    fail(amp);
}

XmlScanner::Span XmlScanner::readValue(const char*& p, char16_t*& o, char quote) const {
    const char16_t* from = o;
    for (;;) {
        const unsigned char c = *p;
        if (kValue[c]) {
            *o++ = char16_t(c);
            ++p;
        } else if (c == uchar(quote)) {
            break;
        } else if (c == '"' || c == '\'') {
            *o++ = char16_t(c);
            ++p;
        } else if (c == '&') {
            reference(p, o);
        } else if (c == '\t' || c == '\n') {
            *o++ = u' ';  // white space in a value is a space
            ++p;
        } else if (c == '\r') {
            *o++ = u' ';
            p += p[1] == '\n' ? 2 : 1;
        } else if (c >= 0x80) {
            put(o, decode(p));
        } else {
            unexpected(p);  // '<', a control character, the end
        }
    }
    ++p;
    return span(from, o);
}

char XmlScanner::openValue(const char*& p) const {
    skipSpace(p);
    if (*p != '=') {
        unexpected(p);
    }
    ++p;
    skipSpace(p);
    const char quote = *p;
    if (quote != '"' && quote != '\'') {
        unexpected(p);
    }
    ++p;
    return quote;
}

XmlScanner::Span XmlScanner::readText(const char*& p, char16_t*& o) const {
    const char16_t* from = o;
    for (;;) {
        const unsigned char c = *p;
        if (kText[c]) {
            *o++ = char16_t(c);
            ++p;
        } else if (c == '<') {
            break;
        } else if (c == '&') {
            reference(p, o);
        } else if (c == '\r') {
            *o++ = u'\n';  // a line ends in LF
            p += p[1] == '\n' ? 2 : 1;
        } else if (c == ']') {
            if (startsWith(p, "]]>")) {
                fail(p);
            }
            *o++ = u']';
            ++p;
        } else if (c >= 0x80) {
            put(o, decode(p));
        } else {
            unexpected(p);
        }
    }
    return span(from, o);
}

XmlScanner::Span XmlScanner::readCData(const char*& p, char16_t*& o) const {
    const char16_t* from = o;
    for (;;) {
        const unsigned char c = *p;
        if (kCData[c]) {
            *o++ = char16_t(c);
            ++p;
        } else if (c == ']') {
            if (startsWith(p, "]]>")) {
                p += 3;
                return span(from, o);
            }
            *o++ = u']';
            ++p;
        } else if (c == '\r') {
            *o++ = u'\n';
            p += p[1] == '\n' ? 2 : 1;
        } else if (c >= 0x80) {
            put(o, decode(p));
        } else {
            unexpected(p);
        }
    }
}
