#include "invoicefiles/OfdDocument.h"

#include "invoicefiles/OfdPaths.h"
#include "invoicefiles/ReadingLimits.h"

namespace invoicefiles {

namespace {

// What a failure to read an entry says about the file.
Problem problemOf(ziparchive::Failure failure) {
    switch (failure) {
        case ziparchive::Failure::MissingEntry:
            return Problem::NotInvoiceFile;
        case ziparchive::Failure::Encrypted:
            return Problem::Encrypted;
        case ziparchive::Failure::TooLarge:
            return Problem::TooLarge;
        default:
            return Problem::Damaged;
    }
}

}  // namespace

void OfdDocument::note(ziparchive::Failure failure) {
    switch (problemOf(failure)) {
        case Problem::TooLarge:
            overLimits_ = true;
            break;
        case Problem::Encrypted:
            encrypted_ = true;
            break;
        default:
            broken_ = true;
            break;
    }
}

std::optional<QByteArray> OfdDocument::read(const QString& entry) {
    try {
        return zip_->read(entry);
    } catch (const ziparchive::Error& error) {
        note(error.failure());
        return std::nullopt;
    }
}

QByteArray OfdDocument::bytes(const QString& entry) {
    return read(entry).value_or(QByteArray());
}

const XmlElement* OfdDocument::part(const QString& entry) {
    if (const auto known = parts_.find(entry); known != parts_.end()) {
        return known->second.get();
    }
    std::unique_ptr<XmlElement> root;
    if (const std::optional<QByteArray> contents = read(entry)) {
        switch (parseXml(*contents, root)) {
            case XmlStatus::Ok:
                break;
            case XmlStatus::Malformed:
                broken_ = true;
                break;
            case XmlStatus::TooLarge:
                overLimits_ = true;
                break;
        }
    }
    return parts_.emplace(entry, std::move(root)).first->second.get();
}

Problem OfdDocument::open() {
    QByteArray contents;
    try {
        zip_.emplace(bytes_, ziparchive::Limits{limits::kMaxEntryBytes, limits::kMaxExpandedBytes,
                                                limits::kMaxZipEntries, true});
        contents = zip_->read(QStringLiteral("OFD.xml"));
    } catch (const ziparchive::Error& error) {
        return problemOf(error.failure());
    }
    std::unique_ptr<XmlElement> root;
    switch (parseXml(contents, root)) {
        case XmlStatus::Ok:
            break;
        case XmlStatus::Malformed:
            return Problem::Damaged;
        case XmlStatus::TooLarge:
            return Problem::TooLarge;
    }
    if (root->name != QLatin1String("OFD")) {
        return Problem::NotInvoiceFile;
    }
    docBody_ = root->child(QStringLiteral("DocBody"));
    parts_.emplace(QStringLiteral("OFD.xml"), std::move(root));
    if (!docBody_) {
        return Problem::Damaged;
    }
    const XmlElement* docRoot = docBody_->child(QStringLiteral("DocRoot"));
    documentEntry_ = docRoot ? resolveEntry(QStringLiteral("OFD.xml"), docRoot->text) : QString();
    // A missing or unnamed document is recorded as broken by part().
    document_ = part(documentEntry_);
    readPages();
    return Problem::None;
}

void OfdDocument::readPages() {
    if (!document_) {
        return;
    }
    const XmlElement* pages = document_->child(QStringLiteral("Pages"));
    if (!pages) {
        broken_ = true;
        return;
    }
    for (const XmlElement* page : pages->childrenNamed(QStringLiteral("Page"))) {
        pages_.push_back(
            {page->attribute(QStringLiteral("ID")),
             resolveEntry(documentEntry_, page->attribute(QStringLiteral("BaseLoc")))});
    }
}

QHash<QString, QString> OfdDocument::templatePages() {
    QHash<QString, QString> entries;
    const XmlElement* common = document_ ? document_->child(QStringLiteral("CommonData")) : nullptr;
    if (common) {
        for (const XmlElement* page : common->childrenNamed(QStringLiteral("TemplatePage"))) {
            entries.insert(
                page->attribute(QStringLiteral("ID")),
                resolveEntry(documentEntry_, page->attribute(QStringLiteral("BaseLoc"))));
        }
    }
    return entries;
}

std::vector<QString> OfdDocument::contentEntries(const Page& page) {
    std::vector<QString> entries{page.contentEntry};
    const XmlElement* content = part(page.contentEntry);
    if (!content) {
        return entries;
    }
    const auto templates = content->childrenNamed(QStringLiteral("Template"));
    if (templates.empty()) {
        return entries;
    }
    const QHash<QString, QString> known = templatePages();
    for (const XmlElement* used : templates) {
        const QString entry = known.value(used->attribute(QStringLiteral("TemplateID")));
        if (!entry.isEmpty()) {
            entries.push_back(entry);
        }
    }
    return entries;
}

const QHash<QString, QString>& OfdDocument::textObjectsOf(const QString& entry) {
    if (const auto known = textObjects_.find(entry); known != textObjects_.end()) {
        return known->second;
    }
    QHash<QString, QString> texts;
    if (const XmlElement* content = part(entry)) {
        std::vector<const XmlElement*> objects;
        content->findAll(QStringLiteral("TextObject"), objects);
        for (const XmlElement* object : objects) {
            QString text;
            for (const XmlElement* code : object->childrenNamed(QStringLiteral("TextCode"))) {
                text += code->allText();
            }
            texts.insert(object->attribute(QStringLiteral("ID")), text);
        }
    }
    return textObjects_.emplace(entry, std::move(texts)).first->second;
}

QString OfdDocument::textObject(const QString& pageId, const QString& objectId) {
    std::vector<const Page*> searched;
    for (const Page& page : pages_) {
        if (page.id == pageId) {
            searched.push_back(&page);
        }
    }
    if (searched.empty()) {
        for (const Page& page : pages_) {
            if (searched.size() < std::size_t(limits::kMaxOfdPagesSearched)) {
                searched.push_back(&page);
            }
        }
    }
    for (const Page* page : searched) {
        for (const QString& entry : contentEntries(*page)) {
            const auto& texts = textObjectsOf(entry);
            if (const auto found = texts.find(objectId); found != texts.end()) {
                return found.value();
            }
        }
    }
    return {};
}

void OfdDocument::addResources(const QString& resourceEntry, QHash<QString, QString>& media) {
    const XmlElement* resources = part(resourceEntry);
    if (!resources) {
        return;
    }
    const QString baseLoc = resources->attribute(QStringLiteral("BaseLoc"));
    const QString directory =
        baseLoc.isEmpty() ? directoryOf(resourceEntry) : resolveEntry(resourceEntry, baseLoc);
    std::vector<const XmlElement*> items;
    resources->findAll(QStringLiteral("MultiMedia"), items);
    for (const XmlElement* item : items) {
        if (const XmlElement* file = item->child(QStringLiteral("MediaFile"))) {
            media.insert(item->attribute(QStringLiteral("ID")),
                         resolveInDirectory(directory, file->text));
        }
    }
}

QString OfdDocument::mediaEntry(const Page& page, const QString& resourceId) {
    if (!documentMediaRead_) {
        documentMediaRead_ = true;
        const XmlElement* common =
            document_ ? document_->child(QStringLiteral("CommonData")) : nullptr;
        if (common) {
            for (const auto& element : common->children) {
                if (element->name == QLatin1String("PublicRes") ||
                    element->name == QLatin1String("DocumentRes")) {
                    addResources(resolveEntry(documentEntry_, element->text), documentMedia_);
                }
            }
        }
    }
    auto pageMedia = pageMedia_.find(page.contentEntry);
    if (pageMedia == pageMedia_.end()) {
        QHash<QString, QString> media;
        if (const XmlElement* content = part(page.contentEntry)) {
            for (const XmlElement* resources : content->childrenNamed(QStringLiteral("PageRes"))) {
                addResources(resolveEntry(page.contentEntry, resources->text), media);
            }
        }
        pageMedia = pageMedia_.emplace(page.contentEntry, std::move(media)).first;
    }
    return pageMedia->second.value(resourceId, documentMedia_.value(resourceId));
}

}  // namespace invoicefiles
