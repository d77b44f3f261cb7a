#pragma once

#include <QByteArray>
#include <QString>
#include <memory>
#include <optional>

#include "xml/XmlError.h"
#include "xml/XmlTokenizer.h"
#include "zip/ZipArchive.h"

// One XML part, parsed as its zip entry expands or from its bytes. The part is untrusted, so the
// parser is never left to hold much: a DTD is refused (no part of a workbook or an OFD file has
// one), and so are a text or a tag longer than the limits allow, elements nested deeper, and more
// elements. Failures are XmlError naming the part.
class XmlPart {
public:
    explicit XmlPart(std::unique_ptr<ziparchive::Entry> entry, const XmlLimits& limits = {});
    XmlPart(QByteArray bytes, QString name, const XmlLimits& limits = {});

    // Moves to the next start element, end element or text; false past the end of the document.
    // An empty-element tag is a start and an end; comments and processing instructions are
    // skipped.
    bool next();

    bool isStart(QStringView localName) const { return isStart() && xml_->name() == localName; }
    bool isEnd(QStringView localName) const { return isEnd() && xml_->name() == localName; }
    bool isStart() const { return token_ == XmlTokenizer::Token::Start; }
    bool isEnd() const { return token_ == XmlTokenizer::Token::End; }
    bool isText() const { return token_ == XmlTokenizer::Token::Text; }
    // The views are good until next().
    QStringView text() const { return xml_->text(); }
    // With namespaces off: the part after the last ':'.
    QStringView name() const { return xml_->name(); }
    QStringView qualifiedName() const { return xml_->qualifiedName(); }
    // Elements open around the current token, a start element counting itself.
    int depth() const { return xml_->depth(); }

    // The attributes of a start element, namespace declarations aside when namespaces are on.
    qsizetype attributeCount() const { return xml_->attributeCount(); }
    QStringView attributeQualifiedName(qsizetype i) const {
        return xml_->attributeQualifiedName(i);
    }
    QStringView attributeValue(qsizetype i) const { return xml_->attributeValue(i); }
    // The first attribute of that local name; empty when there is none.
    QStringView attribute(QStringView localName) const;
    // The relationship id of an element (r:id whatever the prefix): an attribute named "id" in
    // a namespace.
    QString relationshipId() const;

    // On a start element: the text of everything inside it, up to its end element.
    QString readText();
    // On a start element: moves to its end element.
    void skipElement();

    // Reads what is left of the part unparsed, so that the archive checks its checksum: a part
    // is only known sound once read to its end.
    void drain();

    // Refuses the part as malformed.
    [[noreturn]] void damaged() const;

private:
    qint64 pull(char* data, qint64 size);
    void feed();
    void checkRuns(const char* data, qint64 size);
    void transcode();

    std::unique_ptr<ziparchive::Entry> entry_;  // or, when null, the bytes
    QByteArray bytes_;
    qsizetype bytesRead_ = 0;
    QString name_;
    XmlLimits limits_;
    std::optional<XmlTokenizer> xml_;  // made anew for a part transcoded to UTF-8
    XmlTokenizer::Token token_ = XmlTokenizer::Token::Hungry;
    bool done_ = false;      // everything pulled
    bool checkRuns_ = true;  // off for a part transcoded to UTF-8: it was checked as it came
    qsizetype run_ = 0;      // bytes since the last "<"
};
