#include "xml/XmlPart.h"

#include <QStringDecoder>
#include <cstring>

namespace {

constexpr qint64 kChunk = 64 * 1024;

}  // namespace

XmlPart::XmlPart(std::unique_ptr<ziparchive::Entry> entry, const XmlLimits& limits)
    : entry_(std::move(entry)), name_(entry_->name()), limits_(limits) {
    xml_.emplace(name_, limits_);
}

XmlPart::XmlPart(QByteArray bytes, QString name, const XmlLimits& limits)
    : bytes_(std::move(bytes)), name_(std::move(name)), limits_(limits) {
    xml_.emplace(name_, limits_);
}

// The next bytes of the part; 0 at its end.
qint64 XmlPart::pull(char* data, qint64 size) {
    if (entry_) {
        return entry_->read(data, size);
    }
    const qsizetype got = qMin<qsizetype>(size, bytes_.size() - bytesRead_);
    std::memcpy(data, bytes_.constData() + bytesRead_, size_t(got));
    bytesRead_ += got;
    return got;
}

// The part is tokenized as its entry expands, not once whole: a sheet may expand to hundreds of
// megabytes, while the tokenizer keeps only the bytes of the token it is on.
void XmlPart::feed() {
    char* chunk = xml_->space(kChunk);
    const qint64 got = pull(chunk, kChunk);
    if (got == 0) {
        done_ = true;
        xml_->close();
        return;
    }
    if (checkRuns_) {
        checkRuns(chunk, got);
    }
    xml_->commit(got);
}

void XmlPart::checkRuns(const char* data, qint64 size) {
    // The tokenizer keeps a whole text or tag in memory until it ends: find the longest stretch
    // without a "<" before handing the bytes over.
    const char* at = data;
    const char* end = at + size;
    while (at < end) {
        const void* open = std::memchr(at, '<', size_t(end - at));
        const char* stop = open != nullptr ? static_cast<const char*>(open) : end;
        run_ += stop - at;
        if (run_ > limits_.run) {
            xml_->refuse(XmlError::Kind::LongRun);
        }
        if (open != nullptr) {
            run_ = 0;
            at = stop + 1;
        } else {
            at = end;
        }
    }
}

// A part in another encoding than UTF-8 (UTF-16, or what its declaration names) is read whole,
// decoded and tokenized anew as UTF-8: such parts are rare, and the archive bounds their size.
void XmlPart::transcode() {
    QByteArray raw = xml_->bytes();
    while (!done_) {
        const qsizetype size = raw.size();
        raw.resize(size + kChunk);
        const qint64 got = pull(raw.data() + size, kChunk);
        checkRuns(raw.constData() + size, got);
        raw.resize(size + got);
        done_ = got == 0;
    }
    QStringDecoder decoder(xml_->encoding().constData());
    if (!decoder.isValid()) {
        damaged();
    }
    const QString text = decoder.decode(raw);
    if (decoder.hasError()) {
        damaged();
    }
    entry_.reset();  // read to its end: its checksum is sound
    bytes_ = text.toUtf8();
    bytesRead_ = 0;
    done_ = false;
    checkRuns_ = false;
    xml_.emplace(name_, limits_, true);
}

bool XmlPart::next() {
    for (;;) {
        token_ = xml_->next();
        switch (token_) {
            case XmlTokenizer::Token::Hungry:
                do {
                    feed();
                } while (!done_ && xml_->hungry());
                continue;
            case XmlTokenizer::Token::Encoding:
                transcode();
                continue;
            case XmlTokenizer::Token::Finished:
                return false;
            default:
                return true;
        }
    }
}

QStringView XmlPart::attribute(QStringView localName) const {
    for (qsizetype i = 0; i < xml_->attributeCount(); ++i) {
        if (xml_->attributeName(i) == localName) {
            return xml_->attributeValue(i);
        }
    }
    return {};
}

QString XmlPart::relationshipId() const {
    for (qsizetype i = 0; i < xml_->attributeCount(); ++i) {
        if (xml_->attributeName(i) == u"id" && xml_->attributeInNamespace(i)) {
            return xml_->attributeValue(i).toString();
        }
    }
    return {};
}

QString XmlPart::readText() {
    QString text;
    const int depth = xml_->depth();
    while (next()) {
        if (isText()) {
            text += xml_->text();
        } else if (isEnd() && xml_->depth() < depth) {
            return text;
        }
    }
    damaged();
}

void XmlPart::skipElement() {
    const int depth = xml_->depth();
    while (next()) {
        if (isEnd() && xml_->depth() < depth) {
            return;
        }
    }
    damaged();
}

void XmlPart::drain() {
    QByteArray chunk;
    while (!done_) {
        chunk.resize(kChunk);
        done_ = pull(chunk.data(), kChunk) == 0;
    }
}

void XmlPart::damaged() const {
    xml_->refuse(XmlError::Kind::Malformed);
}
