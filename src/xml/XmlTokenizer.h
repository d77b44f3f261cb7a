#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>
#include <string>
#include <string_view>
#include <vector>

#include "xml/XmlError.h"
#include "xml/XmlNamespaces.h"
#include "xml/XmlScanner.h"

// The tokens of an untrusted XML document in UTF-8, its bytes given piece by piece as they
// expand (see XmlScanner). Comments, processing instructions and the XML declaration are checked
// and skipped; a DTD is refused. Names follow the XML 1.0 rules (fifth edition), non-ASCII
// characters included; with namespaces, a prefix must be declared where it is used.
class XmlTokenizer {
public:
    enum class Token {
        Start,
        End,       // also right after the Start of an empty-element tag <a/>
        Text,      // character data with its references resolved, or a CDATA section
        Hungry,    // the bytes given so far end within a token: give more, then ask again
        Finished,  // the document has ended, well-formed
        Encoding,  // the document is not in UTF-8 but in encoding(); nothing has been read
    };

    // transcoded: the bytes are UTF-8 whatever the XML declaration says.
    XmlTokenizer(QString part, const XmlLimits& limits, bool transcoded = false);

    // Room for up to size more bytes, then how many were put there.
    char* space(qsizetype size) { return scanner_.space(size); }
    void commit(qsizetype size) { scanner_.commit(size); }
    // No more bytes will come.
    void close() { scanner_.close(); }
    // After Hungry: whether the token still wants more bytes before it is read again.
    bool hungry() const { return scanner_.hungry(); }

    Token next();

    // The current token, valid until next(). Names are local unless qualified (with namespaces
    // off, the part after the last ':').
    QStringView name() const { return scanner_.view(element_.local()); }
    QStringView qualifiedName() const { return scanner_.view(element_); }
    QStringView text() const { return scanner_.view(text_); }
    // Elements open around the current token, a start element counting itself.
    int depth() const { return int(open_.size()); }
    qsizetype attributeCount() const { return qsizetype(attributes_.size()); }
    QStringView attributeName(qsizetype i) const {
        return scanner_.view(attributes_[size_t(i)].name.local());
    }
    QStringView attributeQualifiedName(qsizetype i) const {
        return scanner_.view(attributes_[size_t(i)].name);
    }
    QStringView attributeValue(qsizetype i) const {
        return scanner_.view(attributes_[size_t(i)].value);
    }
    // Whether the attribute's prefix names a namespace (xml: always does).
    bool attributeInNamespace(qsizetype i) const { return !attributes_[size_t(i)].uri.empty(); }

    // After Encoding: the encoding, and the bytes given so far, all of them.
    const QByteArray& encoding() const { return encoding_; }
    QByteArray bytes() const { return scanner_.bytes(); }

    // Refuses the document at the line the tokenizer is on.
    [[noreturn]] void refuse(XmlError::Kind kind) const { scanner_.refuse(kind); }

private:
    using Span = XmlScanner::Span;
    using Name = XmlScanner::Name;

    struct Attribute {
        Name name;
        Span value;
        qsizetype byte;           // from the start of its tag, for the line of a refusal
        std::u16string_view uri;  // of its prefix
    };
    struct Open {
        qsizetype rawAt, rawSize;  // of openRaw_: its name as written, to match its end tag
        qsizetype nameAt;          // of openNames_
        Name name;                 // of the characters from nameAt
        size_t bindings;           // the namespaces' size outside it
    };

    bool prolog();
    QByteArray declaration(const char*& p) const;
    Token startTag(const char* p);
    void resolve(const char* tag);
    void checkUnique(const char* tag, bool expanded) const;
    Token endTag(const char* p);
    Token closeElement();
    bool bang(const char* p);
    void instruction(const char* p);

    XmlScanner scanner_;
    XmlLimits limits_;
    bool transcoded_;
    bool started_ = false;
    bool rootSeen_ = false;
    bool closeEmpty_ = false;

    Name element_;
    Span text_;
    std::vector<Attribute> attributes_;
    std::vector<Open> open_;
    std::string openRaw_;
    std::u16string openNames_;
    qint64 elements_ = 0;
    XmlNamespaces namespaces_;
    QByteArray encoding_;
};
