#include "xml/XmlPart.h"

#include <cstring>

namespace {

constexpr qint64 kChunk = 64 * 1024;

}  // namespace

XmlPart::XmlPart(std::unique_ptr<ziparchive::Entry> entry, const XmlLimits& limits)
    : entry_(std::move(entry)), name_(entry_->name()), limits_(limits) {
    xml_.setNamespaceProcessing(limits_.namespaces);
    chunk_.resize(kChunk);
}

XmlPart::XmlPart(QByteArray bytes, QString name, const XmlLimits& limits)
    : bytes_(std::move(bytes)), name_(std::move(name)), limits_(limits) {
    xml_.setNamespaceProcessing(limits_.namespaces);
    chunk_.resize(kChunk);
}

// The next bytes of the part into chunk_; 0 at its end.
qint64 XmlPart::pull() {
    if (entry_) {
        return entry_->read(chunk_.data(), kChunk);
    }
    const qsizetype got = qMin<qsizetype>(kChunk, bytes_.size() - bytesRead_);
    std::memcpy(chunk_.data(), bytes_.constData() + bytesRead_, size_t(got));
    bytesRead_ += got;
    return got;
}

void XmlPart::feed() {
    const qint64 got = pull();
    if (got == 0) {
        done_ = true;
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
        if (run_ > limits_.run) {
            refuse(XmlError::Kind::LongRun);
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
                if (xml_.error() == QXmlStreamReader::PrematureEndOfDocumentError && !done_) {
                    feed();
                    continue;
                }
                damaged();
            case QXmlStreamReader::DTD:
                damaged();
            case QXmlStreamReader::EndDocument:
                return false;
            case QXmlStreamReader::StartElement:
                if (++depth_ > limits_.depth) {
                    refuse(XmlError::Kind::TooDeep);
                }
                if (++elements_ > limits_.elements) {
                    refuse(XmlError::Kind::TooMany);
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
    while (!done_) {
        done_ = pull() == 0;
    }
}

void XmlPart::damaged() const {
    refuse(XmlError::Kind::Malformed);
}

void XmlPart::refuse(XmlError::Kind kind) const {
    throw XmlError(kind, name_, xml_.lineNumber());
}
