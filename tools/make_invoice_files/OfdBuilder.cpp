#include "OfdBuilder.h"

#include <QBuffer>
#include <QImage>

#include "Barcodes.h"
#include "ZipWriting.h"

namespace fixtures {

namespace {

const QString kNamespace = QStringLiteral("http://www.ofdspec.org/2016");

class Xml {
public:
    explicit Xml(const QString& prefix) : prefix_(prefix.isEmpty() ? QString() : prefix + u':') {}

    // The element name with the namespace prefix.
    QString n(const QString& local) const { return prefix_ + local; }

    QString declaration() const {
        return prefix_.isEmpty()
                   ? QStringLiteral(" xmlns=\"%1\"").arg(kNamespace)
                   : QStringLiteral(" xmlns:%1=\"%2\"").arg(prefix_.chopped(1), kNamespace);
    }

    QString element(const QString& local, const QString& body,
                    const QString& attributes = QString()) const {
        return QStringLiteral("<%1%2>%3</%1>").arg(n(local), attributes, body);
    }

    QByteArray document(const QString& local, const QString& body,
                        const QString& attributes = QString()) const {
        return (QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n") +
                element(local, body, declaration() + attributes))
            .toUtf8();
    }

private:
    QString prefix_;
};

QString escaped(const QString& text) {
    return text.toHtmlEscaped();
}

QByteArray png(const QImage& image) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

QString path(const OfdLayout& layout, const QString& fromDoc, const QString& relative) {
    return layout.rootedPaths ? QStringLiteral("/Doc_0/") + fromDoc : relative;
}

class Builder {
public:
    explicit Builder(const OfdLayout& layout) : layout_(layout), x_(layout.prefix) {}

    QByteArray archive() {
        addOfdXml();
        addDocument();
        addPages();
        addResources();
        addTags();
        addAnnotations();
        return zipArchive(entries_);
    }

private:
    void add(const QString& name, const QByteArray& contents, qint64 declaredSize = -1) {
        entries_.push_back({name, contents, {}, declaredSize});
    }

    void addOfdXml() {
        QString data;
        for (const auto& [name, text] : layout_.customData) {
            data += x_.element(QStringLiteral("CustomData"), escaped(text),
                               QStringLiteral(" Name=\"%1\"").arg(escaped(name)));
        }
        const QString info =
            x_.element(QStringLiteral("DocID"),
                       QStringLiteral("6f1d2c3b4a5948372615a0b9c8d7e6f5")) +
            x_.element(QStringLiteral("Creator"), QStringLiteral("fpbx test files")) +
            (data.isEmpty() ? QString() : x_.element(QStringLiteral("CustomDatas"), data));
        const QString body = x_.element(QStringLiteral("DocInfo"), info) +
                             x_.element(QStringLiteral("DocRoot"),
                                        layout_.rootedPaths ? QStringLiteral("/Doc_0/Document.xml")
                                                            : QStringLiteral("Doc_0/Document.xml"));
        add(QStringLiteral("OFD.xml"),
            x_.document(QStringLiteral("OFD"), x_.element(QStringLiteral("DocBody"), body),
                        QStringLiteral(" Version=\"1.1\" DocType=\"OFD\"")));
    }

    void addDocument() {
        QString common =
            x_.element(QStringLiteral("MaxUnitID"), QStringLiteral("200")) +
            x_.element(QStringLiteral("PageArea"),
                       x_.element(QStringLiteral("PhysicalBox"), QStringLiteral("0 0 210 140"))) +
            x_.element(QStringLiteral("PublicRes"), QStringLiteral("PublicRes.xml")) +
            x_.element(QStringLiteral("DocumentRes"),
                       path(layout_, QStringLiteral("DocumentRes.xml"),
                            QStringLiteral("DocumentRes.xml")));
        if (layout_.textOnTemplate) {
            common += x_.element(QStringLiteral("TemplatePage"), QString(),
                                 QStringLiteral(" ID=\"2\" BaseLoc=\"Tpls/Tpl_0/Content.xml\""));
        }
        const QString pages =
            x_.element(QStringLiteral("Pages"),
                       x_.element(QStringLiteral("Page"), QString(),
                                  QStringLiteral(" ID=\"1\" BaseLoc=\"%1\"")
                                      .arg(path(layout_, QStringLiteral("Pages/Page_0/Content.xml"),
                                                QStringLiteral("Pages/Page_0/Content.xml")))));
        const QString tags = layout_.tagFields.isEmpty()
                                 ? QString()
                                 : x_.element(QStringLiteral("CustomTags"),
                                              path(layout_, QStringLiteral("Tags/CustomTags.xml"),
                                                   QStringLiteral("Tags/CustomTags.xml")));
        const QString annotations = layout_.annotationPayload.isEmpty()
                                        ? QString()
                                        : x_.element(QStringLiteral("Annotations"),
                                                     QStringLiteral("Annots/Annotations.xml"));
        const QString body = x_.element(QStringLiteral("CommonData"), common) +
                             (layout_.tagsBeforePages ? tags + pages : pages + tags) + annotations;
        add(QStringLiteral("Doc_0/Document.xml"), x_.document(QStringLiteral("Document"), body));
    }

    // The page's text objects: a caption, and one object per tag field from ID 31 on.
    QString fieldTexts() const {
        QString objects = textObject(QStringLiteral("30"), QStringLiteral("电子发票（普通发票）"));
        int id = 31;
        for (const auto& field : layout_.tagFields) {
            objects += textObject(QString::number(id++), field.second);
        }
        return objects;
    }

    QString textObject(const QString& id, const QString& text) const {
        return x_.element(
            QStringLiteral("TextObject"),
            x_.element(QStringLiteral("TextCode"), escaped(text),
                       QStringLiteral(" X=\"0\" Y=\"3\"")),
            QStringLiteral(" ID=\"%1\" Boundary=\"100 10 60 5\" Font=\"3\" Size=\"3.5\"").arg(id));
    }

    QString layer(const QString& objects) const {
        return x_.element(QStringLiteral("Content"), x_.element(QStringLiteral("Layer"), objects,
                                                                QStringLiteral(" ID=\"3\"")));
    }

    void addPages() {
        QString objects = layout_.textOnTemplate ? QString() : fieldTexts();
        if (!layout_.qrPayload.isEmpty()) {
            objects += x_.element(
                QStringLiteral("ImageObject"), QString(),
                QStringLiteral(
                    " ID=\"40\" ResourceID=\"20\" Boundary=\"8 5 20 20\" CTM=\"20 0 0 20 0 0\""));
        }
        for (int i = 0; i < layout_.largePictures; ++i) {
            objects +=
                x_.element(QStringLiteral("ImageObject"), QString(),
                           QStringLiteral(" ID=\"%1\" ResourceID=\"%2\" Boundary=\"0 0 1 1\"")
                               .arg(60 + i)
                               .arg(80 + i));
        }
        QString page = layout_.textOnTemplate ? x_.element(QStringLiteral("Template"), QString(),
                                                           QStringLiteral(" TemplateID=\"2\""))
                                              : QString();
        page += layer(objects);
        QByteArray content = x_.document(QStringLiteral("Page"), page);
        qint64 declared = -1;
        if (layout_.pagePadding > 0) {
            content.append("<!--").append(QByteArray(layout_.pagePadding, ' ')).append("-->");
            declared = layout_.pagePaddingUndeclared ? 4096 : -1;
        }
        add(QStringLiteral("Doc_0/Pages/Page_0/Content.xml"), content, declared);
        if (layout_.textOnTemplate) {
            add(QStringLiteral("Doc_0/Tpls/Tpl_0/Content.xml"),
                x_.document(QStringLiteral("Page"), layer(fieldTexts())));
        }
    }

    void addResources() {
        QString media;
        if (!layout_.qrPayload.isEmpty()) {
            media += multimedia(QStringLiteral("20"), QStringLiteral("qrcode.png"));
            add(QStringLiteral("Doc_0/Res/qrcode.png"), png(qrCodeImage(layout_.qrPayload)));
        }
        for (int i = 0; i < layout_.largePictures; ++i) {
            const QString name = QStringLiteral("picture%1.png").arg(i);
            media += multimedia(QString::number(80 + i), name);
            add(QStringLiteral("Doc_0/Res/") + name, QByteArray(7 * 1024 * 1024, '\0'));
        }
        add(QStringLiteral("Doc_0/DocumentRes.xml"),
            x_.document(QStringLiteral("Res"), x_.element(QStringLiteral("MultiMedias"), media),
                        QStringLiteral(" BaseLoc=\"Res\"")));
        add(QStringLiteral("Doc_0/PublicRes.xml"),
            x_.document(QStringLiteral("Res"),
                        x_.element(QStringLiteral("Fonts"),
                                   x_.element(QStringLiteral("Font"), QString(),
                                              QStringLiteral(" ID=\"3\" FontName=\"宋体\""))),
                        QStringLiteral(" BaseLoc=\"Res\"")));
    }

    QString multimedia(const QString& id, const QString& file) const {
        return x_.element(QStringLiteral("MultiMedia"),
                          x_.element(QStringLiteral("MediaFile"), file),
                          QStringLiteral(" ID=\"%1\" Type=\"Image\" Format=\"PNG\"").arg(id));
    }

    void addTags() {
        if (layout_.tagFields.isEmpty()) {
            return;
        }
        add(QStringLiteral("Doc_0/Tags/CustomTags.xml"),
            x_.document(QStringLiteral("CustomTags"),
                        x_.element(QStringLiteral("CustomTag"),
                                   x_.element(QStringLiteral("FileLoc"),
                                              path(layout_, QStringLiteral("Tags/CustomTag.xml"),
                                                   QStringLiteral("CustomTag.xml"))),
                                   QStringLiteral(" TypeID=\"0\""))));
        const QString tag = layout_.tagPrefix.isEmpty() ? QString() : layout_.tagPrefix + u':';
        const QString pageRef = QStringLiteral("1");  // a template's objects count as its page's
        QString fields;
        int id = 31;
        for (const auto& field : layout_.tagFields) {
            const QString reference = x_.element(QStringLiteral("ObjectRef"), QString::number(id++),
                                                 QStringLiteral(" PageRef=\"%1\"").arg(pageRef));
            fields += QStringLiteral("<%1%2>%3</%1%2>").arg(tag, field.first, reference);
        }
        const QString tagNamespace =
            layout_.tagPrefix.isEmpty()
                ? QString()
                : QStringLiteral(" xmlns:%1=\"urn:fpbx:test-invoice\"").arg(layout_.tagPrefix);
        add(QStringLiteral("Doc_0/Tags/CustomTag.xml"),
            QStringLiteral(
                "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<%1eInvoice%2%3>%4</%1eInvoice>")
                .arg(tag, tagNamespace, x_.declaration(), fields)
                .toUtf8());
    }

    void addAnnotations() {
        if (layout_.annotationPayload.isEmpty()) {
            return;
        }
        add(QStringLiteral("Doc_0/Annots/Annotations.xml"),
            x_.document(QStringLiteral("Annotations"),
                        x_.element(QStringLiteral("Page"),
                                   x_.element(QStringLiteral("FileLoc"),
                                              QStringLiteral("Page_0/Annotation.xml")),
                                   QStringLiteral(" PageID=\"1\""))));
        const QString parameters = x_.element(
            QStringLiteral("Parameters"),
            x_.element(QStringLiteral("Parameter"), QStringLiteral("QRCode"),
                       QStringLiteral(" Name=\"fp.Type\"")) +
                x_.element(QStringLiteral("Parameter"), escaped(layout_.annotationPayload),
                           QStringLiteral(" Name=\"fp.Content\"")));
        const QString annotation =
            x_.element(QStringLiteral("Annot"),
                       parameters + x_.element(QStringLiteral("Appearance"), QString(),
                                               QStringLiteral(" Boundary=\"8 5 20 20\"")),
                       QStringLiteral(" ID=\"50\" Type=\"Stamp\" Subtype=\"Barcode\""));
        add(QStringLiteral("Doc_0/Annots/Page_0/Annotation.xml"),
            x_.document(QStringLiteral("PageAnnot"), annotation));
    }

    const OfdLayout& layout_;
    Xml x_;
    std::vector<ZipEntry> entries_;
};

}  // namespace

QByteArray ofdArchive(const OfdLayout& layout) {
    return Builder(layout).archive();
}

}  // namespace fixtures
