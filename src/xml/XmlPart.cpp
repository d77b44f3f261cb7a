#include "xml/XmlPart.h"

#include <cstring>

#include "workbook/WorkbookRefusal.h"

namespace {

constexpr qint64 kChunk = 64 * 1024;

}  // namespace

XmlPart::XmlPart(std::unique_ptr<ziparchive::Entry> entry) : entry_(std::move(entry)) {
    chunk_.resize(kChunk);
}

void XmlPart::feed() {
    const qint64 got = entry_->read(chunk_.data(), kChunk);
    if (got == 0) {
        entryDone_ = true;
        return;
    }
    // The reader keeps a whole text or tag in memory until it ends: find the longest stretch
    // without a "<" before handing the bytes over.
    const char* at = chunk_.constData();
    const char* end = at + got;
    while (at < end) {
        const void* open = std::memchr(at, '<', size_t(end - at));
        const char* stop = open != nullptr ? static_cast<const char*>(open) : end;
        run_ += stop - at;
        if (run_ > kMaxRun) {
            throw workbook::unreadable(
                QStringLiteral("%1 中有过长的文本，可能已损坏。").arg(entry_->name()));
        }
        if (open != nullptr) {
            run_ = 0;
            at = stop + 1;
        } else {
            at = end;
        }
    }
    xml_.addData(QByteArray(chunk_.constData(), got));
}

bool XmlPart::next() {
    // Holding on to the attributes would make the reader copy its list at the next element.
    attributes_.clear();
    for (;;) {
        const QXmlStreamReader::TokenType token = xml_.readNext();
        switch (token) {
            case QXmlStreamReader::Invalid:
                if (xml_.error() == QXmlStreamReader::PrematureEndOfDocumentError && !entryDone_) {
                    feed();
                    continue;
                }
                damaged();
            case QXmlStreamReader::DTD:
                damaged();
            case QXmlStreamReader::EndDocument:
                return false;
            case QXmlStreamReader::StartElement:
                if (++depth_ > kMaxDepth) {
                    damaged();
                }
                attributes_ = xml_.attributes();
                return true;
            case QXmlStreamReader::EndElement:
                --depth_;
                return true;
            default:
                return true;
        }
    }
}

QStringView XmlPart::attribute(QStringView localName) const {
    for (const QXmlStreamAttribute& a : attributes_) {
        if (a.name() == localName) {
            return a.value();
        }
    }
    return {};
}

QString XmlPart::relationshipId() const {
    for (const QXmlStreamAttribute& a : attributes_) {
        if (a.name() == u"id" && !a.namespaceUri().isEmpty()) {
            return a.value().toString();
        }
    }
    return {};
}

QString XmlPart::readText() {
    QString text;
    const int depth = depth_;
    while (next()) {
        if (isText()) {
            text += xml_.text();
        } else if (isEnd() && depth_ < depth) {
            return text;
        }
    }
    damaged();
}

void XmlPart::skipElement() {
    const int depth = depth_;
    while (next()) {
        if (isEnd() && depth_ < depth) {
            return;
        }
    }
    damaged();
}

void XmlPart::drain() {
    while (!entryDone_) {
        entryDone_ = entry_->read(chunk_.data(), kChunk) == 0;
    }
}

void XmlPart::damaged() const {
    throw workbook::unreadable(
        QStringLiteral("%1 已损坏（第%2行）。").arg(entry_->name()).arg(xml_.lineNumber()));
}
