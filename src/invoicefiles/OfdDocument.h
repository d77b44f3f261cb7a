#pragma once

#include <QHash>
#include <QString>
#include <map>
#include <memory>
#include <optional>
#include <vector>

#include "invoicefiles/FileReading.h"
#include "xml/XmlTree.h"
#include "zip/ZipArchive.h"

namespace invoicefiles {

// The parts of an OFD archive as the readers need them: XML parts parsed once, the pages with
// their content, the text objects by page and ID, and the multimedia resources by ID. Every
// part that is missing, malformed or over the limits is remembered, so that a reading that
// finds nothing can say why.
class OfdDocument {
public:
    struct Page {
        QString id;
        QString contentEntry;
    };

    explicit OfdDocument(const QByteArray& bytes) : bytes_(bytes) {}

    // The parsed part, or null (the reason is recorded).
    const XmlElement* part(const QString& entry);
    // The raw bytes of an entry, or empty (the reason is recorded).
    QByteArray bytes(const QString& entry);

    // Opens the archive within the reading limits and reads OFD.xml and the document it names.
    // NotInvoiceFile when the archive has no OFD.xml; a missing or broken document is only
    // recorded (the custom data may still serve).
    Problem open();

    const XmlElement* docBody() const { return docBody_; }
    const QString& documentEntry() const { return documentEntry_; }
    const XmlElement* document() const { return document_; }
    const std::vector<Page>& pages() const { return pages_; }

    // The page's content entry followed by those of the template pages drawn under it.
    std::vector<QString> contentEntries(const Page& page);
    // The text of the text object with that ID on the page of that ID (or on any page when
    // pageId is empty or unknown), with its template pages; empty when there is none.
    QString textObject(const QString& pageId, const QString& objectId);
    // The archive entry of a multimedia resource, looked up in the document's and the page's
    // resource files.
    QString mediaEntry(const Page& page, const QString& resourceId);

    bool missingOrBroken() const { return broken_; }
    bool overLimits() const { return overLimits_; }
    bool encrypted() const { return encrypted_; }

private:
    void readPages();
    QHash<QString, QString> templatePages();
    void addResources(const QString& resourceEntry, QHash<QString, QString>& media);
    const QHash<QString, QString>& textObjectsOf(const QString& entry);
    std::optional<QByteArray> read(const QString& entry);
    void note(ziparchive::Failure failure);

    QByteArray bytes_;
    std::optional<ziparchive::Archive> zip_;
    std::map<QString, std::unique_ptr<XmlElement>> parts_;
    std::map<QString, QHash<QString, QString>> textObjects_;  // content entry -> ID -> text
    QHash<QString, QString> documentMedia_;                   // resource ID -> entry
    bool documentMediaRead_ = false;
    std::map<QString, QHash<QString, QString>> pageMedia_;  // content entry -> ID -> entry
    const XmlElement* docBody_ = nullptr;
    const XmlElement* document_ = nullptr;
    QString documentEntry_;
    std::vector<Page> pages_;
    bool broken_ = false;
    bool overLimits_ = false;
    bool encrypted_ = false;
};

}  // namespace invoicefiles
