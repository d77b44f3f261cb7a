#pragma once

#include <QByteArray>
#include <QString>
#include <QXmlStreamReader>
#include <exception>
#include <limits>
#include <memory>

#include "zip/ZipArchive.h"

// What an XML part may hold before it is refused.
struct XmlLimits {
    // A cell holds at most 32,767 characters, six bytes each when written as references.
    qsizetype run = 2 * 1024 * 1024;  // bytes of one text or tag
    int depth = 64;                   // elements open at once
    qint64 elements = std::numeric_limits<qint64>::max();
    // Off: names are read as written, prefixes declared or not (see qualifiedName()).
    bool namespaces = true;
};

// Why a part was refused, and where. Failures of the archive the part expands from come through
// as they are (ziparchive::Error).
class XmlError : public std::exception {
public:
    enum class Kind {
        Malformed,  // not well-formed, cut short, or with a DTD
        LongRun,    // a text or tag longer than XmlLimits::run
        TooDeep,    // elements nested deeper than XmlLimits::depth
        TooMany,    // more elements than XmlLimits::elements
    };
    XmlError(Kind kind, QString part, qint64 line)
        : kind_(kind), part_(std::move(part)), line_(line) {}
    Kind kind() const { return kind_; }
    const QString& part() const { return part_; }
    qint64 line() const { return line_; }
    const char* what() const noexcept override { return "xml: part refused"; }

private:
    Kind kind_;
    QString part_;
    qint64 line_;
};

// One XML part, parsed as its zip entry expands or from its bytes. The part is untrusted, so the
// parser is never left to hold much: a DTD is refused (no part of a workbook or an OFD file has
// one), and so are a text or a tag longer than the limits allow, elements nested deeper, and more
// elements. Failures are XmlError naming the part.
class XmlPart {
public:
    explicit XmlPart(std::unique_ptr<ziparchive::Entry> entry, const XmlLimits& limits = {});
    XmlPart(QByteArray bytes, QString name, const XmlLimits& limits = {});

    // Moves to the next token; false past the end of the document.
    bool next();

    bool isStart(QStringView localName) const {
        return xml_.isStartElement() && xml_.name() == localName;
    }
    bool isEnd(QStringView localName) const {
        return xml_.isEndElement() && xml_.name() == localName;
    }
    bool isStart() const { return xml_.isStartElement(); }
    bool isEnd() const { return xml_.isEndElement(); }
    bool isText() const { return xml_.isCharacters(); }
    QStringView text() const { return xml_.text(); }
    QStringView name() const { return xml_.name(); }
    QStringView qualifiedName() const { return xml_.qualifiedName(); }
    // Elements open around the current token, a start element counting itself.
    int depth() const { return depth_; }
    const QXmlStreamAttributes& attributes() const { return attributes_; }
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
    qint64 pull();
    void feed();
    [[noreturn]] void refuse(XmlError::Kind kind) const;

    std::unique_ptr<ziparchive::Entry> entry_;  // or, when null, the bytes
    QByteArray bytes_;
    qsizetype bytesRead_ = 0;
    QString name_;
    XmlLimits limits_;
    QXmlStreamReader xml_;
    QXmlStreamAttributes attributes_;
    QByteArray chunk_;
    bool done_ = false;  // everything pulled
    qsizetype run_ = 0;  // bytes since the last "<"
    int depth_ = 0;
    qint64 elements_ = 0;
};
