#pragma once

#include <QString>
#include <exception>
#include <limits>

// What an XML part may hold before it is refused.
struct XmlLimits {
    // A cell holds at most 32,767 characters, six bytes each when written as references.
    qsizetype run = 2 * 1024 * 1024;  // bytes of one text or tag
    int depth = 64;                   // elements open at once
    qint64 elements = std::numeric_limits<qint64>::max();
    // Off: names are read as written, prefixes declared or not (see XmlPart::qualifiedName()).
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
