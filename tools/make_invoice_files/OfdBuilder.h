#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>

// OFD e-invoice archives put together from their parts: OFD.xml with its custom data,
// Document.xml, one page whose text objects print the invoice fields, the invoice tag file
// pointing at those objects, a QR code picture in the document's resources and a barcode
// annotation, each only when asked for.
namespace fixtures {

struct OfdLayout {
    QString prefix = QStringLiteral("ofd");     // of the OFD namespace; empty: default namespace
    QList<QPair<QString, QString>> customData;  // Name, text
    // Invoice tag elements (InvoiceCode, ...) with the text printed by the object they name.
    QList<QPair<QString, QString>> tagFields;
    QString tagPrefix;            // of the tag file's own elements
    bool textOnTemplate = false;  // the field texts are drawn by a template page
    bool tagsBeforePages = false;
    bool rootedPaths = false;   // references written from the archive root: "/Doc_0/..."
    QString qrPayload;          // a QR code picture on the page
    QString annotationPayload;  // a barcode annotation carrying this text
    // A blank run this long inside the page content (compresses to almost nothing).
    qint64 pagePadding = 0;
    bool pagePaddingUndeclared = false;  // the zip headers claim the page is small
    int largePictures = 0;  // pictures of 7 MiB each (blank, so they compress to little)
};

QByteArray ofdArchive(const OfdLayout& layout);

}  // namespace fixtures
