#pragma once

#include <QByteArray>
#include <QString>
#include <QXmlStreamReader>
#include <memory>

#include "zip/ZipArchive.h"

// One XML part of a package, parsed as its entry expands. The part is untrusted, so the parser is
// never left to hold much: a DTD is refused (no part of a workbook has one), and so are a text
// or a tag longer than kMaxRun bytes and elements nested deeper than kMaxDepth. Failures are
// AppError naming the part.
class XmlPart {
public:
    // A cell holds at most 32,767 characters, six bytes each when written as references.
    static constexpr qsizetype kMaxRun = 2 * 1024 * 1024;
    static constexpr int kMaxDepth = 64;

    explicit XmlPart(std::unique_ptr<ziparchive::Entry> entry);

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

    // Refuses the part as damaged.
    [[noreturn]] void damaged() const;

private:
    void feed();

    std::unique_ptr<ziparchive::Entry> entry_;
    QXmlStreamReader xml_;
    QXmlStreamAttributes attributes_;
    QByteArray chunk_;
    bool entryDone_ = false;
    qsizetype run_ = 0;  // bytes since the last "<"
    int depth_ = 0;
};
