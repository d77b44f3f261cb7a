#include "xml/XmlTokenizer.h"

#include <QStringConverter>
#include <algorithm>
#include <cstring>
#include <iterator>

XmlTokenizer::XmlTokenizer(QString part, const XmlLimits& limits, bool transcoded)
    : scanner_(std::move(part), limits.namespaces), limits_(limits), transcoded_(transcoded) {}

XmlTokenizer::Token XmlTokenizer::next() {
    try {
        if (closeEmpty_) {
            closeEmpty_ = false;
            return closeElement();
        }
        if (!started_ && !prolog()) {
            return Token::Encoding;
        }
        for (;;) {
            const char* p = scanner_.token();
            if (*p == '<') {
                switch (p[1]) {
                    case '/':
                        return endTag(p);
                    case '?':
                        instruction(p);
                        continue;
                    case '!':
                        if (bang(p)) {
                            return Token::Text;
                        }
                        continue;
                    default:
                        return startTag(p);
                }
            }
            if (!open_.empty()) {
                char16_t* o = scanner_.chars();
                text_ = scanner_.readText(p, o);
                scanner_.advance(p);
                return Token::Text;
            }
            // Outside the root: white space only.
            if (XmlScanner::skipSpace(p)) {
                scanner_.advance(p);
                continue;
            }
            if (p == scanner_.end() && rootSeen_ && scanner_.closed()) {
                return Token::Finished;
            }
            scanner_.unexpected(p);
        }
    } catch (const XmlScanner::Starved&) {
        scanner_.starved();
        return Token::Hungry;
    }
}

// The start of the document: a byte order mark and the XML declaration. False when the document
// is not in UTF-8.
bool XmlTokenizer::prolog() {
    const char* p = scanner_.token();
    const bool bom = scanner_.startsWith(p, "\xEF\xBB\xBF");
    if (bom) {
        p += 3;
    } else if (!transcoded_) {
        // UTF-16 by its byte order mark, or by how "<?" reads without one.
        if (scanner_.startsWith(p, "\xFF\xFE") || scanner_.startsWith(p, "\xFE\xFF")) {
            encoding_ = "UTF-16";
        } else if (scanner_.startsWith(p, {"<\0?\0", 4})) {
            encoding_ = "UTF-16LE";
        } else if (scanner_.startsWith(p, {"\0<\0?", 4})) {
            encoding_ = "UTF-16BE";
        }
        if (!encoding_.isEmpty()) {
            return false;
        }
    }
    if (scanner_.startsWith(p, "<?xml") && scanner_.spaceAt(p + 5)) {
        const QByteArray declared = declaration(p);
        // A byte order mark says UTF-8 whatever the declaration says.
        if (!declared.isEmpty() && !bom && !transcoded_ &&
            QStringConverter::encodingForName(declared.constData()) != QStringConverter::Utf8) {
            encoding_ = declared;
            return false;
        }
    }
    scanner_.advance(p);
    started_ = true;
    return true;
}

// The XML declaration at p, p past it: the encoding it names, if any.
QByteArray XmlTokenizer::declaration(const char*& p) const {
    static constexpr std::string_view kNames[] = {"version", "encoding", "standalone"};
    QByteArray encoding;
    p += 5;
    size_t next = 0;  // the pseudo-attributes come in the order of kNames, version first
    for (;;) {
        const bool spaced = XmlScanner::skipSpace(p);
        if (scanner_.startsWith(p, "?>")) {
            break;
        }
        size_t which = next;
        while (which < std::size(kNames) && !scanner_.startsWith(p, kNames[which])) {
            ++which;
        }
        if (!spaced || which == std::size(kNames) || (next == 0 && which != 0)) {
            scanner_.unexpected(p);
        }
        p += kNames[which].size();
        const char quote = scanner_.openValue(p);
        const char* value = p;
        for (; *p != quote; ++p) {
            const unsigned char c = *p;
            const bool letter = (c | 0x20) >= 'a' && (c | 0x20) <= 'z';
            if (!letter && !(c >= '0' && c <= '9') && c != '.' && c != '_' && c != '-') {
                scanner_.unexpected(p);
            }
        }
        if (p == value) {
            scanner_.fail(p);
        }
        if (which == 1) {
            encoding = QByteArray(value, p - value);
        }
        ++p;
        next = which + 1;
    }
    if (next == 0) {
        scanner_.fail(p);  // no version
    }
    p += 2;
    return encoding;
}

XmlTokenizer::Token XmlTokenizer::startTag(const char* p) {
    const char* const tag = p;
    if (open_.empty() && rootSeen_) {
        scanner_.fail(tag);  // a second root
    }
    char16_t* o = scanner_.chars();
    ++p;
    element_ = scanner_.readName(p, o);
    const char* const nameEnd = p;
    attributes_.clear();
    bool empty = false;
    for (;;) {
        const bool spaced = XmlScanner::skipSpace(p);
        if (*p == '>') {
            ++p;
            break;
        }
        if (*p == '/') {
            if (p[1] != '>') {
                scanner_.unexpected(p + 1);
            }
            p += 2;
            empty = true;
            break;
        }
        if (!spaced) {
            scanner_.unexpected(p);
        }
        Attribute& a = attributes_.emplace_back();
        a.byte = p - tag;
        a.name = scanner_.readName(p, o);
        const char quote = scanner_.openValue(p);
        a.value = scanner_.readValue(p, o, quote);
    }

    const size_t outer = namespaces_.size();
    checkUnique(tag, false);
    resolve(tag);
    if (depth() >= limits_.depth) {
        refuse(XmlError::Kind::TooDeep);
    }
    if (++elements_ > limits_.elements) {
        refuse(XmlError::Kind::TooMany);
    }
    Open& open = open_.emplace_back();
    open.rawAt = qsizetype(openRaw_.size());
    open.rawSize = nameEnd - tag - 1;
    openRaw_.append(tag + 1, size_t(open.rawSize));
    open.nameAt = qsizetype(openNames_.size());
    open.name = element_;
    open.name.at = 0;
    openNames_.append(scanner_.u16(element_));
    open.bindings = outer;
    rootSeen_ = true;
    closeEmpty_ = empty;
    scanner_.advance(p);
    return Token::Start;
}

// Binds the namespaces the tag declares (its xmlns attributes, which are not attributes then) and
// checks that every prefix it uses is bound. Without namespaces, only xml: is known.
void XmlTokenizer::resolve(const char* tag) {
    if (!limits_.namespaces) {
        for (Attribute& a : attributes_) {
            if (a.name.colon == 3 && scanner_.u16(a.name.prefix()) == u"xml") {
                a.uri = namespaces_.uri(u"xml");
            }
        }
        return;
    }
    size_t kept = 0;
    for (size_t i = 0; i < attributes_.size(); ++i) {
        const Attribute& a = attributes_[i];
        const std::u16string_view name = scanner_.u16(a.name);
        if (name == u"xmlns") {
            continue;  // the default namespace: names without a prefix are read as local anyway
        }
        if (a.name.colon == 5 && name.starts_with(u"xmlns")) {
            if (!namespaces_.bind(scanner_.u16(a.name.local()), scanner_.u16(a.value))) {
                scanner_.fail(tag + a.byte);
            }
            continue;
        }
        attributes_[kept++] = a;
    }
    attributes_.resize(kept);

    const auto uri = [this](const Name& name, const char* at) {
        const std::u16string_view bound = namespaces_.uri(scanner_.u16(name.prefix()));
        if (bound.empty()) {
            scanner_.fail(at);  // not declared
        }
        return bound;
    };
    if (element_.colon >= 0) {
        uri(element_, tag);
    }
    bool prefixed = false;
    for (Attribute& a : attributes_) {
        if (a.name.colon >= 0) {
            a.uri = uri(a.name, tag + a.byte);
            prefixed = true;
        }
    }
    if (prefixed) {
        checkUnique(tag, true);
    }
}

// Refuses an attribute given twice: by its qualified name, or (expanded) by its namespace and
// local name.
void XmlTokenizer::checkUnique(const char* tag, bool expanded) const {
    using Key = std::pair<std::u16string_view, std::u16string_view>;
    const auto counts = [expanded](const Attribute& a) { return !expanded || !a.uri.empty(); };
    const auto keyOf = [this, expanded](const Attribute& a) {
        return expanded ? Key(a.uri, scanner_.u16(a.name.local())) : Key({}, scanner_.u16(a.name));
    };
    const size_t n = attributes_.size();
    if (n <= 16) {
        for (size_t i = 1; i < n; ++i) {
            for (size_t j = 0; j < i; ++j) {
                if (counts(attributes_[i]) && counts(attributes_[j]) &&
                    keyOf(attributes_[i]) == keyOf(attributes_[j])) {
                    scanner_.fail(tag + attributes_[i].byte);
                }
            }
        }
        return;
    }
    // Sorted, so that a tag of thousands of attributes costs no millions of comparisons.
    std::vector<std::pair<Key, qsizetype>> keys;
    for (const Attribute& a : attributes_) {
        if (counts(a)) {
            keys.emplace_back(keyOf(a), a.byte);
        }
    }
    std::sort(keys.begin(), keys.end());
    for (size_t i = 1; i < keys.size(); ++i) {
        if (keys[i].first == keys[i - 1].first) {
            scanner_.fail(tag + keys[i].second);
        }
    }
}

XmlTokenizer::Token XmlTokenizer::endTag(const char* p) {
    const char* const tag = p;
    if (open_.empty()) {
        scanner_.fail(tag);
    }
    const Open& open = open_.back();
    p += 2;
    if (scanner_.end() - p < open.rawSize) {
        scanner_.unexpected(scanner_.end());
    }
    if (std::memcmp(p, openRaw_.data() + open.rawAt, size_t(open.rawSize)) != 0) {
        scanner_.fail(tag);  // not the element open
    }
    p += open.rawSize;
    XmlScanner::skipSpace(p);
    if (*p != '>') {
        scanner_.unexpected(p);
    }
    scanner_.advance(p + 1);
    return closeElement();
}

XmlTokenizer::Token XmlTokenizer::closeElement() {
    const Open open = open_.back();
    open_.pop_back();
    char16_t* o = scanner_.chars(open.name.size);
    std::copy_n(openNames_.data() + open.nameAt, open.name.size, o);
    element_ = open.name;
    attributes_.clear();
    openRaw_.resize(size_t(open.rawAt));
    openNames_.resize(size_t(open.nameAt));
    if (open.bindings != namespaces_.size()) {
        namespaces_.unbind(open.bindings);
    }
    return Token::End;
}

// After "<!": a comment, skipped (false), or a CDATA section, a text (true). Anything else, a
// DTD included, is refused.
bool XmlTokenizer::bang(const char* p) {
    if (scanner_.startsWith(p, "<!--")) {
        p += 4;
        for (;;) {
            scanner_.skipChars(p, '-');
            if (scanner_.startsWith(p, "--")) {
                break;
            }
            ++p;
        }
        if (!scanner_.startsWith(p + 2, ">")) {
            scanner_.fail(p);  // "--" only ends a comment
        }
        scanner_.advance(p + 3);
        return false;
    }
    if (open_.empty() || !scanner_.startsWith(p, "<![CDATA[")) {
        scanner_.fail(p);
    }
    p += 9;
    char16_t* o = scanner_.chars();
    text_ = scanner_.readCData(p, o);
    scanner_.advance(p);
    return text_.size > 0;
}

// A processing instruction, skipped. Its target is not "xml": the declaration comes first.
void XmlTokenizer::instruction(const char* p) {
    const char* const tag = p;
    p += 2;
    char16_t* o = scanner_.chars();
    const std::u16string_view target = scanner_.u16(scanner_.readName(p, o));
    if (target.size() == 3 && (target[0] | 0x20) == u'x' && (target[1] | 0x20) == u'm' &&
        (target[2] | 0x20) == u'l') {
        scanner_.fail(tag);
    }
    if (!scanner_.startsWith(p, "?>")) {
        if (!scanner_.spaceAt(p)) {
            scanner_.unexpected(p);
        }
        for (;;) {
            scanner_.skipChars(p, '?');
            if (scanner_.startsWith(p, "?>")) {
                break;
            }
            ++p;
        }
    }
    scanner_.advance(p + 2);
}
