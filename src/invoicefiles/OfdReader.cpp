#include "invoicefiles/OfdReader.h"

#include <QBuffer>
#include <QImageReader>
#include <QSet>
#include <tuple>

#include "invoicefiles/FieldText.h"
#include "invoicefiles/OfdDocument.h"
#include "invoicefiles/OfdPaths.h"
#include "invoicefiles/QrDecoder.h"
#include "invoicefiles/ReadingLimits.h"

namespace invoicefiles {

namespace {

// The entry named by a reference element of Document.xml, or empty when there is none.
QString documentReference(OfdDocument& ofd, const QString& name) {
    const XmlElement* reference = ofd.document() ? ofd.document()->child(name) : nullptr;
    return reference ? resolveEntry(ofd.documentEntry(), reference->text) : QString();
}

QImage decodedPicture(const QByteArray& bytes) {
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    const QSize size = reader.size();
    if (!size.isValid() || size.width() > limits::kMaxImageSide ||
        size.height() > limits::kMaxImageSide) {
        return {};
    }
    return reader.read();
}

FileReading fromQrPicture(OfdDocument& ofd) {
    QSet<QString> decoded;
    const std::size_t pages =
        std::min(ofd.pages().size(), std::size_t(limits::kMaxOfdPagesSearched));
    for (std::size_t index = 0; index < pages; ++index) {
        const OfdDocument::Page& page = ofd.pages()[index];
        for (const QString& entry : ofd.contentEntries(page)) {
            const XmlElement* content = ofd.part(entry);
            if (!content) {
                continue;
            }
            std::vector<const XmlElement*> images;
            content->findAll(QStringLiteral("ImageObject"), images);
            for (const XmlElement* image : images) {
                const QString media =
                    ofd.mediaEntry(page, image->attribute(QStringLiteral("ResourceID")));
                if (media.isEmpty() || decoded.contains(media)) {
                    continue;
                }
                if (decoded.size() >= limits::kMaxPicturesDecoded) {
                    return failure(Problem::NoInvoiceFound);
                }
                decoded.insert(media);
                const QImage picture = decodedPicture(ofd.bytes(media));
                if (ofd.overLimits()) {
                    return failure(Problem::TooLarge);
                }
                if (picture.isNull()) {
                    continue;
                }
                const QString payload = findInvoicePayload(onWhiteWithMargin(picture));
                if (!payload.isEmpty()) {
                    return fromPayload(payload, QStringLiteral("OFD第%1页二维码").arg(index + 1));
                }
            }
        }
    }
    return failure(Problem::NoInvoiceFound);
}

// An annotation (a barcode annotation, typically) whose parameters or remark carry the payload.
FileReading fromBarcodeAnnotation(OfdDocument& ofd) {
    const QString index = documentReference(ofd, QStringLiteral("Annotations"));
    const XmlElement* annotations = index.isEmpty() ? nullptr : ofd.part(index);
    if (!annotations) {
        return failure(Problem::NoInvoiceFound);
    }
    std::vector<const XmlElement*> files;
    annotations->findAll(QStringLiteral("FileLoc"), files);
    for (const XmlElement* file : files) {
        const XmlElement* pageAnnotations = ofd.part(resolveEntry(index, file->text));
        if (!pageAnnotations) {
            continue;
        }
        std::vector<const XmlElement*> carriers;
        pageAnnotations->findAll(QStringLiteral("Parameter"), carriers);
        pageAnnotations->findAll(QStringLiteral("Remark"), carriers);
        for (const XmlElement* carrier : carriers) {
            if (looksLikeInvoicePayload(carrier->text)) {
                return fromPayload(carrier->text, QStringLiteral("OFD条码注释"));
            }
        }
    }
    return failure(Problem::NoInvoiceFound);
}

// The text of an invoice tag field: the text objects its ObjectRefs name, or its own text.
QString tagValue(OfdDocument& ofd, const XmlElement& invoice, const QString& name) {
    const XmlElement* field = invoice.child(name);
    if (!field) {
        field = invoice.find(name);
    }
    if (!field) {
        return {};
    }
    std::vector<const XmlElement*> references;
    field->findAll(QStringLiteral("ObjectRef"), references);
    if (references.empty()) {
        return field->text;
    }
    QString text;
    for (const XmlElement* reference : references) {
        text += ofd.textObject(reference->attribute(QStringLiteral("PageRef")), reference->text);
    }
    return text;
}

FileReading fromInvoiceTags(OfdDocument& ofd) {
    const QString index = documentReference(ofd, QStringLiteral("CustomTags"));
    const XmlElement* tags = index.isEmpty() ? nullptr : ofd.part(index);
    if (!tags) {
        return failure(Problem::NoInvoiceFound);
    }
    std::vector<const XmlElement*> files;
    tags->findAll(QStringLiteral("FileLoc"), files);
    for (const XmlElement* file : files) {
        const XmlElement* tagFile = ofd.part(resolveEntry(index, file->text));
        if (!tagFile) {
            continue;
        }
        const XmlElement* invoice = tagFile->name == QLatin1String("eInvoice")
                                        ? tagFile
                                        : tagFile->find(QStringLiteral("eInvoice"));
        if (!invoice) {
            continue;
        }
        const auto value = [&](const char* name) {
            return tagValue(ofd, *invoice, QString::fromLatin1(name));
        };
        InvoiceFields fields;
        fields.code = digitsOnly(value("InvoiceCode"));
        fields.number = digitsOnly(value("InvoiceNo"));
        fields.date = dateAsYmd(value("IssueDate"));
        fields.checkCode = digitsOnly(value("InvoiceCheckCode"));
        fields.amount = amountText(value("TaxExclusiveTotalAmount"));
        if (fields.amount.isEmpty()) {
            fields.amount = amountText(value("TaxInclusiveTotalAmount"));
        }
        if (FileReading reading = fromFields(fields, QStringLiteral("OFD发票标签"));
            reading.hasInvoice()) {
            return reading;
        }
    }
    return failure(Problem::NoInvoiceFound);
}

// The invoice element of the tag file, or null.
const XmlElement* invoiceTag(OfdDocument& ofd) {
    const QString index = documentReference(ofd, QStringLiteral("CustomTags"));
    const XmlElement* tags = index.isEmpty() ? nullptr : ofd.part(index);
    if (!tags) {
        return nullptr;
    }
    std::vector<const XmlElement*> files;
    tags->findAll(QStringLiteral("FileLoc"), files);
    for (const XmlElement* file : files) {
        const XmlElement* tagFile = ofd.part(resolveEntry(index, file->text));
        if (tagFile && tagFile->name == QLatin1String("eInvoice")) {
            return tagFile;
        }
        if (const XmlElement* invoice =
                tagFile ? tagFile->find(QStringLiteral("eInvoice")) : nullptr) {
            return invoice;
        }
    }
    return nullptr;
}

// A party's field: <Buyer><Name> … or <BuyerName> …, for the first of the names given.
QString partyValue(OfdDocument& ofd, const XmlElement& invoice, const QString& role,
                   std::initializer_list<const char*> names) {
    const XmlElement* group = invoice.find(role);
    for (const char* name : names) {
        const QString field = QString::fromLatin1(name);
        if (group && group->child(field)) {
            if (QString value = tagValue(ofd, *group, field).trimmed(); !value.isEmpty()) {
                return value;
            }
        }
        if (QString value = tagValue(ofd, invoice, role + field).trimmed(); !value.isEmpty()) {
            return value;
        }
    }
    return {};
}

// The buyer and the seller from the invoice tag, or else from the document's custom data.
Parties partiesOf(OfdDocument& ofd) {
    Parties parties;
    if (const XmlElement* invoice = invoiceTag(ofd)) {
        for (const auto& [role, name, taxNumber] :
             {std::tuple{QStringLiteral("Buyer"), &parties.buyerName, &parties.buyerTaxNumber},
              std::tuple{QStringLiteral("Seller"), &parties.sellerName,
                         &parties.sellerTaxNumber}}) {
            *name = partyValue(ofd, *invoice, role, {"Name"});
            *taxNumber = partyValue(ofd, *invoice, role, {"TaxID", "TaxpayerID", "TaxNo"});
        }
    }
    const XmlElement* info =
        ofd.docBody() ? ofd.docBody()->child(QStringLiteral("DocInfo")) : nullptr;
    const XmlElement* list = info ? info->child(QStringLiteral("CustomDatas")) : nullptr;
    if (!list) {
        return parties;
    }
    QHash<QString, QString> data;
    for (const XmlElement* item : list->childrenNamed(QStringLiteral("CustomData"))) {
        data.insert(item->attribute(QStringLiteral("Name")).trimmed(), item->text.trimmed());
    }
    const auto fill = [&](QString& slot, std::initializer_list<const char*> names) {
        for (const char* name : names) {
            if (slot.isEmpty()) {
                slot = data.value(QString::fromUtf8(name));
            }
        }
    };
    fill(parties.buyerName, {"购买方名称"});
    fill(parties.buyerTaxNumber, {"购买方纳税人识别号", "购买方税号"});
    fill(parties.sellerName, {"销售方名称"});
    fill(parties.sellerTaxNumber, {"销售方纳税人识别号", "销售方税号"});
    return parties;
}

FileReading fromCustomData(OfdDocument& ofd) {
    const XmlElement* info = ofd.docBody()->child(QStringLiteral("DocInfo"));
    const XmlElement* list = info ? info->child(QStringLiteral("CustomDatas")) : nullptr;
    if (!list) {
        return failure(Problem::NoInvoiceFound);
    }
    QHash<QString, QString> data;
    for (const XmlElement* item : list->childrenNamed(QStringLiteral("CustomData"))) {
        data.insert(item->attribute(QStringLiteral("Name")).trimmed(), item->text);
    }
    const auto value = [&](const char* name) { return data.value(QString::fromUtf8(name)); };
    InvoiceFields fields;
    fields.code = digitsOnly(value("发票代码"));
    fields.number = digitsOnly(value("发票号码"));
    fields.date = dateAsYmd(value("开票日期"));
    fields.checkCode = digitsOnly(value("校验码"));
    fields.amount = amountText(value("合计金额"));
    if (fields.amount.isEmpty()) {
        fields.amount = amountText(value("价税合计"));
    }
    return fromFields(fields, QStringLiteral("OFD自定义数据"));
}

}  // namespace

FileReading readOfd(const QByteArray& bytes) {
    if (bytes.isEmpty()) {
        return failure(Problem::Empty);
    }
    if (bytes.size() > limits::kMaxFileBytes) {
        return failure(Problem::TooLarge);
    }
    OfdDocument ofd(bytes);
    if (const Problem problem = ofd.open(); problem != Problem::None) {
        return failure(problem);
    }
    for (const auto source :
         {fromQrPicture, fromBarcodeAnnotation, fromInvoiceTags, fromCustomData}) {
        FileReading reading = source(ofd);
        if (reading.hasInvoice()) {
            reading.parties = partiesOf(ofd);
            return reading;
        }
        if (ofd.overLimits()) {
            return failure(Problem::TooLarge);
        }
    }
    if (ofd.encrypted()) {
        return failure(Problem::Encrypted);
    }
    return failure(ofd.missingOrBroken() ? Problem::Damaged : Problem::NoInvoiceFound);
}

}  // namespace invoicefiles
