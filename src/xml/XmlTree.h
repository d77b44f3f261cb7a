#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <memory>
#include <vector>

// A small element tree of an XML document, with names reduced to their local part: OFD files
// put their elements in one namespace under whatever prefix the writer chose.
namespace invoicefiles {

struct XmlElement {
    QString name;                        // local name
    QHash<QString, QString> attributes;  // by local name
    QString text;                        // the element's own character data, trimmed
    std::vector<std::unique_ptr<XmlElement>> children;

    QString attribute(const QString& localName) const { return attributes.value(localName); }
    // The first child of that name, or null.
    const XmlElement* child(const QString& localName) const;
    // The children of that name, in document order.
    std::vector<const XmlElement*> childrenNamed(const QString& localName) const;
    // The first element of that name among all descendants (depth first), or null.
    const XmlElement* find(const QString& localName) const;
    // Every descendant of that name, in document order.
    void findAll(const QString& localName, std::vector<const XmlElement*>& found) const;
    // The character data of this element and all descendants, in document order.
    QString allText() const;
};

enum class XmlStatus { Ok, Malformed, TooLarge };

// Fills root with the document's root element, parsed by the hardened XmlPart. Prefixes are
// dropped whether declared or not. Documents with more elements than an OFD part ever has, nested
// absurdly deep or with a text or tag of megabytes are TooLarge; a DTD is Malformed.
XmlStatus parseXml(const QByteArray& document, std::unique_ptr<XmlElement>& root);

}  // namespace invoicefiles
