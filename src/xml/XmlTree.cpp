#include "xml/XmlTree.h"

#include "xml/XmlPart.h"

namespace invoicefiles {

const XmlElement* XmlElement::child(const QString& localName) const {
    for (const auto& element : children) {
        if (element->name == localName) {
            return element.get();
        }
    }
    return nullptr;
}

std::vector<const XmlElement*> XmlElement::childrenNamed(const QString& localName) const {
    std::vector<const XmlElement*> found;
    for (const auto& element : children) {
        if (element->name == localName) {
            found.push_back(element.get());
        }
    }
    return found;
}

const XmlElement* XmlElement::find(const QString& localName) const {
    for (const auto& element : children) {
        if (element->name == localName) {
            return element.get();
        }
        if (const XmlElement* deeper = element->find(localName)) {
            return deeper;
        }
    }
    return nullptr;
}

void XmlElement::findAll(const QString& localName, std::vector<const XmlElement*>& found) const {
    for (const auto& element : children) {
        if (element->name == localName) {
            found.push_back(element.get());
        }
        element->findAll(localName, found);
    }
}

QString XmlElement::allText() const {
    QString text = this->text;
    for (const auto& element : children) {
        text += element->allText();
    }
    return text;
}

static QString localPart(QStringView qualified) {
    const auto colon = qualified.lastIndexOf(u':');
    return qualified.mid(colon + 1).toString();
}

XmlStatus parseXml(const QByteArray& document, std::unique_ptr<XmlElement>& root) {
    XmlLimits limits;
    limits.depth = 256;
    limits.elements = 200000;
    limits.namespaces = false;
    root.reset();
    try {
        XmlPart xml(document, QString(), limits);
        std::vector<XmlElement*> open;
        while (xml.next()) {
            if (xml.isStart()) {
                auto element = std::make_unique<XmlElement>();
                element->name = localPart(xml.qualifiedName());
                for (qsizetype i = 0; i < xml.attributeCount(); ++i) {
                    element->attributes.insert(localPart(xml.attributeQualifiedName(i)),
                                               xml.attributeValue(i).toString());
                }
                XmlElement* raw = element.get();
                if (open.empty()) {
                    root = std::move(element);
                } else {
                    open.back()->children.push_back(std::move(element));
                }
                open.push_back(raw);
            } else if (xml.isEnd()) {
                open.back()->text = open.back()->text.trimmed();
                open.pop_back();
            } else if (xml.isText() && !open.empty()) {
                open.back()->text += xml.text();
            }
        }
    } catch (const XmlError& error) {
        root.reset();
        return error.kind() == XmlError::Kind::Malformed ? XmlStatus::Malformed
                                                         : XmlStatus::TooLarge;
    }
    return root ? XmlStatus::Ok : XmlStatus::Malformed;
}

}  // namespace invoicefiles
