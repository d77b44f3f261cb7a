#include "xml/XmlTree.h"

#include <QXmlStreamReader>

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
    constexpr std::size_t kMaxDepth = 256;
    constexpr int kMaxElements = 200000;
    root.reset();
    QXmlStreamReader reader(document);
    reader.setNamespaceProcessing(false);
    std::vector<XmlElement*> open;
    int elements = 0;
    while (!reader.atEnd()) {
        switch (reader.readNext()) {
            case QXmlStreamReader::StartElement: {
                if (open.size() >= kMaxDepth || ++elements > kMaxElements) {
                    root.reset();
                    return XmlStatus::TooLarge;
                }
                auto element = std::make_unique<XmlElement>();
                element->name = localPart(reader.qualifiedName());
                for (const auto& attribute : reader.attributes()) {
                    element->attributes.insert(localPart(attribute.qualifiedName()),
                                               attribute.value().toString());
                }
                XmlElement* raw = element.get();
                if (open.empty()) {
                    root = std::move(element);
                } else {
                    open.back()->children.push_back(std::move(element));
                }
                open.push_back(raw);
                break;
            }
            case QXmlStreamReader::EndElement:
                if (!open.empty()) {
                    open.back()->text = open.back()->text.trimmed();
                    open.pop_back();
                }
                break;
            case QXmlStreamReader::Characters:
                if (!open.empty()) {
                    open.back()->text += reader.text();
                }
                break;
            default:
                break;
        }
    }
    if (reader.hasError() || !root) {
        root.reset();
        return XmlStatus::Malformed;
    }
    return XmlStatus::Ok;
}

}  // namespace invoicefiles
