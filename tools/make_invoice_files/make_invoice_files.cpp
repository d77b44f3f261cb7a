// Writes the invoice files the reader tests use into one folder: PDFs and OFDs made here from
// known payloads and fields, and the damaged, encrypted, oversized and foreign files a clerk may
// pick. Usage: make_invoice_files <folder> <qpdf>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QProcess>
#include <QRandomGenerator>
#include <cstdio>
#include <stdexcept>

#include "Barcodes.h"
#include "InvoiceFixtures.h"
#include "OfdBuilder.h"
#include "PdfSheet.h"
#include "ZipWriting.h"

using namespace fixtures;

namespace {

const QString kOldPayload =
    QStringLiteral("01,10,044031900111,12345678,100.00,20200101,12345678901234567890,ABCD,");
const QString kDigitalPayload = QStringLiteral("01,32,,23442000000014209621,112,20230215,,74AE");

QDir folder;

QString at(const QString& name) {
    return folder.filePath(name);
}

void save(const QString& name, const QByteArray& bytes) {
    QFile file(at(name));
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) {
        throw std::runtime_error("cannot write " + name.toStdString());
    }
}

QByteArray load(const QString& name) {
    QFile file(at(name));
    if (!file.open(QIODevice::ReadOnly)) {
        throw std::runtime_error("cannot read " + name.toStdString());
    }
    return file.readAll();
}

PrintedFields oldFields() {
    return {QStringLiteral("044031900111"),   QStringLiteral("12345678"),
            QStringLiteral("2020年01月01日"), QStringLiteral("12345 67890 12345 67890"),
            QStringLiteral("¥100.00"),        QStringLiteral("¥13.00"),
            QStringLiteral("¥113.00")};
}

void writeQrPdfs() {
    writeQrInvoicePdf(at("pdf_qr_old.pdf"), kOldPayload, oldFields());
    {
        // Addressed to another company: its buyer's tax number is not the tests' company's.
        PrintedFields fields = oldFields();
        fields.number = QStringLiteral("13572468");
        fields.buyerTaxNumber = QStringLiteral("91440300MA5ABCDE1Y");
        writeQrInvoicePdf(
            at("pdf_qr_other_buyer.pdf"),
            QStringLiteral(
                "01,10,044031900111,13572468,100.00,20200101,12345678901234567890,ABCD,"),
            fields);
    }
    {
        PdfSheet sheet(at("pdf_qr_digital_squares.pdf"));
        sheet.qrSquares(kDigitalPayload, QRectF(10, 6, 20, 20));
        printInvoiceText(sheet, {{},
                                 QStringLiteral("23442000000014209621"),
                                 QStringLiteral("2023年02月15日"),
                                 {},
                                 QStringLiteral("¥112.00"),
                                 QStringLiteral("¥0.00"),
                                 QStringLiteral("¥112.00")});
    }
    {
        PdfSheet sheet(at("pdf_qr_small.pdf"));
        sheet.qrPicture(
            QStringLiteral("01,04,033001900211,00456789,56.60,20211231,01234567890123456789,5F2A,"),
            QRectF(12, 8, 11, 11), 0, PdfSheet::Compression::Jpeg);
    }
    {
        PdfSheet sheet(at("pdf_qr_rotated.pdf"));
        sheet.qrPicture(QStringLiteral("01,01,3100204130,02345678,1000.00,20220315,,C3D1,"),
                        QRectF(14, 10, 20, 20), 30);
    }
    {
        PdfSheet sheet(at("pdf_qr_page2.pdf"));
        sheet.text(QStringLiteral("费用明细（附件）"), {20, 20}, 12);
        sheet.newPage();
        sheet.qrPicture(QStringLiteral("01,31,,24312000000098765432,1580.00,20240301,,A1B2"),
                        QRectF(10, 6, 20, 20));
    }
    {
        // A web-address QR code first in reading order, a Code 128 barcode, then the invoice's.
        PdfSheet sheet(at("pdf_qr_beside_codes.pdf"));
        sheet.qrPicture(QStringLiteral("https://inv.example.invalid/check?id=7781"),
                        QRectF(8, 6, 18, 18));
        sheet.code128(QStringLiteral("CN2023070512345"), QRectF(30, 8, 40, 10));
        sheet.qrPicture(
            QStringLiteral("01,10,044032000111,23456789,88.50,20230705,11112222333344445555,9C8D,"),
            QRectF(74, 6, 20, 20));
    }
    {
        PdfSheet sheet(at("pdf_qr_bottom_right.pdf"));
        sheet.text(QStringLiteral("电子发票"), {90, 14}, 14);
        sheet.qrPicture(
            QStringLiteral("01,10,011002100511,34567890,12.00,20221010,22223333444455556666,0A0B,"),
            QRectF(205, 105, 22, 22));
    }
    {
        PdfSheet sheet(at("pdf_url_qr_only.pdf"));
        sheet.qrPicture(QStringLiteral("https://inv.example.invalid/check?id=7781"),
                        QRectF(10, 6, 20, 20));
        sheet.code128(QStringLiteral("CN2023070512345"), QRectF(40, 8, 40, 10));
        sheet.text(QStringLiteral("扫码查验"), {12, 32});
    }
}

void writeTextPdfs() {
    {
        PdfSheet sheet(at("pdf_text_fields.pdf"));
        printInvoiceText(
            sheet,
            {QStringLiteral("144031900222"), QStringLiteral("87654321"),
             QStringLiteral("2024年02月08日"), QStringLiteral("98765 43210 98765 43210"),
             QStringLiteral("¥589.38"), QStringLiteral("¥76.62"), QStringLiteral("¥666.00")});
    }
    {
        // Each label and value a separate run, values drawn before their labels, slightly off
        // their labels' baselines; the amount's sign and digits apart too.
        PdfSheet sheet(at("pdf_text_split_runs.pdf"));
        sheet.text(QStringLiteral("050001800111"), {186, 12.4});
        sheet.text(QStringLiteral("00112233"), {186, 17.3});
        sheet.text(QStringLiteral("2023年11月30日"), {186, 22.5});
        sheet.text(QStringLiteral("1,234.50"), {153, 92});
        sheet.text(QStringLiteral("160.49"), {203, 92});
        sheet.text(QStringLiteral("开 票 日 期："), {165, 22});
        sheet.text(QStringLiteral("发票号码："), {165, 17});
        sheet.text(QStringLiteral("发票代码："), {165, 12});
        sheet.text(QStringLiteral("¥"), {150, 92});
        sheet.text(QStringLiteral("¥"), {200, 92});
        sheet.text(QStringLiteral("合"), {20, 92});
        sheet.text(QStringLiteral("计"), {32, 92});
        sheet.text(QStringLiteral("价税合计（大写）"), {12, 100});
        sheet.text(QStringLiteral("（小写）¥1,394.99"), {160, 100});
    }
    {
        PdfSheet sheet(at("pdf_text_digital.pdf"));
        printInvoiceText(sheet, {{},
                                 QStringLiteral("24442000000123456789"),
                                 QStringLiteral("2024年02月08日"),
                                 {},
                                 {},
                                 {},
                                 QStringLiteral("¥666.00")});
    }
    {
        PdfSheet sheet(at("pdf_text_no_number.pdf"));
        printInvoiceText(sheet, {QStringLiteral("144031900222"),
                                 {},
                                 QStringLiteral("2024年02月08日"),
                                 {},
                                 QStringLiteral("¥589.38"),
                                 QStringLiteral("¥76.62"),
                                 QStringLiteral("¥666.00")});
    }
    {
        PdfSheet sheet(at("pdf_letter.pdf"), {210, 297});
        sheet.text(QStringLiteral("会议通知"), {90, 30}, 16);
        sheet.text(QStringLiteral("定于2024年3月1日召开年度总结会，请各部门准时参加。"), {20, 50});
        sheet.text(QStringLiteral("联系电话：12345678"), {20, 60});
    }
}

// A page far beyond any paper size, with nothing on it.
QByteArray hugePagePdf() {
    QByteArray pdf = "%PDF-1.4\n";
    QList<qsizetype> offsets;
    const QList<QByteArray> objects = {
        "<< /Type /Catalog /Pages 2 0 R >>",
        "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
        "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 14400 14400] /Contents 4 0 R >>",
        "<< /Length 0 >>\nstream\n\nendstream",
    };
    for (int i = 0; i < objects.size(); ++i) {
        offsets.append(pdf.size());
        pdf += QByteArray::number(i + 1) + " 0 obj\n" + objects[i] + "\nendobj\n";
    }
    const qsizetype xref = pdf.size();
    pdf += "xref\n0 " + QByteArray::number(objects.size() + 1) + "\n0000000000 65535 f \n";
    for (qsizetype offset : offsets) {
        pdf += QByteArray::number(offset).rightJustified(10, '0') + " 00000 n \n";
    }
    pdf += "trailer\n<< /Size " + QByteArray::number(objects.size() + 1) +
           " /Root 1 0 R >>\nstartxref\n" + QByteArray::number(xref) + "\n%%EOF\n";
    return pdf;
}

void runQpdf(const QString& qpdf, const QStringList& arguments) {
    if (QProcess::execute(qpdf, arguments) != 0) {
        throw std::runtime_error("qpdf failed");
    }
}

void writeBrokenPdfs(const QString& qpdf) {
    const QByteArray whole = load("pdf_qr_old.pdf");
    save("pdf_truncated.pdf", whole.left(whole.size() * 2 / 5));
    QByteArray garbage = "%PDF-1.7\n";
    QRandomGenerator random(20240208);
    for (int i = 0; i < 20000; ++i) {
        garbage.append(char(random.bounded(256)));
    }
    save("pdf_garbage.pdf", garbage);
    save("pdf_huge_page.pdf", hugePagePdf());
    // Turned a quarter clockwise by the page's /Rotate entry: the code is shown top right.
    runQpdf(qpdf, {"--rotate=+90", at("pdf_qr_old.pdf"), at("pdf_page_rotated.pdf")});
    runQpdf(qpdf, {"--encrypt", "", "owner-secret", "256", "--", at("pdf_qr_old.pdf"),
                   at("pdf_encrypted_open.pdf")});
    runQpdf(qpdf, {"--encrypt", "user-secret", "owner-secret", "256", "--", at("pdf_qr_old.pdf"),
                   at("pdf_encrypted_locked.pdf")});
}

QList<QPair<QString, QString>> customDataFields() {
    return {{QStringLiteral("发票代码"), QStringLiteral("033002100611")},
            {QStringLiteral("发票号码"), QStringLiteral("11223344")},
            {QStringLiteral("开票日期"), QStringLiteral("2024年02月08日")},
            {QStringLiteral("合计金额"), QStringLiteral("235.85")},
            {QStringLiteral("合计税额"), QStringLiteral("14.15")},
            {QStringLiteral("校验码"), QStringLiteral("59314 86720 13579 24680")},
            {QStringLiteral("购买方名称"), QStringLiteral("某某科技有限公司")},
            {QStringLiteral("购买方纳税人识别号"), QStringLiteral("91110108MA01ABCD2X")},
            {QStringLiteral("销售方名称"), QStringLiteral("某某商贸有限公司")}};
}

void writeOfds() {
    {
        OfdLayout layout;
        layout.customData = customDataFields();
        save("ofd_custom_data.ofd", ofdArchive(layout));
    }
    {
        OfdLayout layout;
        layout.customData = {{QStringLiteral("发票号码"), QStringLiteral("02468135")}};
        layout.tagFields = {
            {QStringLiteral("InvoiceCode"), QStringLiteral("044002300111")},
            {QStringLiteral("InvoiceNo"), QStringLiteral("02468135")},
            {QStringLiteral("IssueDate"), QStringLiteral("2023-12-25")},
            {QStringLiteral("InvoiceCheckCode"), QStringLiteral("11111 22222 33333 44444")},
            {QStringLiteral("TaxExclusiveTotalAmount"), QStringLiteral("¥1,000.00")},
            {QStringLiteral("TaxTotalAmount"), QStringLiteral("¥130.00")},
            {QStringLiteral("TaxInclusiveTotalAmount"), QStringLiteral("¥1,130.00")},
            {QStringLiteral("BuyerName"), QStringLiteral("某某科技有限公司")},
            {QStringLiteral("BuyerTaxID"), QStringLiteral("91110108 MA01ABCD2X")},
            {QStringLiteral("SellerName"), QStringLiteral("某某商贸有限公司")},
            {QStringLiteral("SellerTaxID"), QStringLiteral("91310115MA1K4ABC9X")}};
        layout.tagPrefix = QStringLiteral("fp");
        save("ofd_tags.ofd", ofdArchive(layout));
    }
    {
        OfdLayout layout;
        layout.prefix.clear();
        layout.tagFields = {{QStringLiteral("InvoiceNo"), QStringLiteral("24112000000123456789")},
                            {QStringLiteral("IssueDate"), QStringLiteral("20240208")},
                            {QStringLiteral("TaxInclusiveTotalAmount"), QStringLiteral("666.00")}};
        layout.textOnTemplate = true;
        layout.tagsBeforePages = true;
        layout.rootedPaths = true;
        save("ofd_tags_digital.ofd", ofdArchive(layout));
    }
    {
        // The custom data names another invoice than the QR code, which must win.
        OfdLayout layout;
        layout.prefix = QStringLiteral("x");
        layout.customData = customDataFields();
        layout.qrPayload = QStringLiteral("01,32,,24442000000011112222,305.50,20240208,,7E3F");
        save("ofd_qr.ofd", ofdArchive(layout));
    }
    {
        OfdLayout layout;
        layout.annotationPayload =
            QStringLiteral("01,10,032002200111,45678901,42.48,20230120,33334444555566667777,B7C8,");
        save("ofd_annotation.ofd", ofdArchive(layout));
    }
    {
        OfdLayout layout;
        layout.qrPayload = QStringLiteral("https://inv.example.invalid/check?id=7781");
        layout.customData = {{QStringLiteral("开票日期"), QStringLiteral("2024年02月08日")}};
        save("ofd_neither.ofd", ofdArchive(layout));
    }
    {
        OfdLayout layout;
        layout.customData = customDataFields();
        layout.pagePadding = 100 * 1024 * 1024;
        save("ofd_bomb.ofd", ofdArchive(layout));
        // Without the custom data nothing but the lying page could name the invoice.
        layout.customData.clear();
        layout.pagePaddingUndeclared = true;
        save("ofd_bomb_undeclared.ofd", ofdArchive(layout));
    }
    {
        OfdLayout layout;
        layout.largePictures = 5;
        save("ofd_bomb_total.ofd", ofdArchive(layout));
    }
}

QByteArray ofdXmlNaming(const QByteArray& docRoot) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<ofd:OFD xmlns:ofd=\"http://www.ofdspec.org/2016\" Version=\"1.1\" DocType=\"OFD\">"
           "<ofd:DocBody><ofd:DocInfo><ofd:DocID>1</ofd:DocID></ofd:DocInfo>"
           "<ofd:DocRoot>" +
           docRoot + "</ofd:DocRoot></ofd:DocBody></ofd:OFD>";
}

void writeBrokenOfds() {
    const QByteArray whole = load("ofd_custom_data.ofd");
    save("ofd_truncated.ofd", whole.left(whole.size() * 3 / 5));
    save("ofd_bad_xml.ofd",
         zipArchive({{QStringLiteral("OFD.xml"),
                      "<?xml version=\"1.0\"?><ofd:OFD xmlns:ofd=\"x\"><ofd:DocBody>"}}));
    save("ofd_missing_document.ofd",
         zipArchive({{QStringLiteral("OFD.xml"), ofdXmlNaming("Doc_0/Document.xml")}}));
    save("ofd_escaping_path.ofd",
         zipArchive({{QStringLiteral("OFD.xml"), ofdXmlNaming("../../etc/passwd")}}));
    save("ofd_password.ofd",
         zipArchive({{QStringLiteral("OFD.xml"), ofdXmlNaming("Doc_0/Document.xml"), "secret"}}));
    save("zip_not_ofd.ofd", zipArchive({{QStringLiteral("[Content_Types].xml"), "<Types/>"},
                                        {QStringLiteral("word/document.xml"), "<document/>"}}));
}

void writeForeignFiles() {
    save("empty.pdf", {});
    save("notes.pdf", "发票 01,10,044031900111,12345678\n只是一段文字，不是PDF。\n");
    // A picture of an invoice QR code is no invoice file: the readers take PDF and OFD only.
    QImage picture = qrCodeImage(kOldPayload).convertToFormat(QImage::Format_RGB32);
    picture.save(at("qr_picture.ofd"), "PNG");
    save("ofd_named.pdf", load("ofd_custom_data.ofd"));
    save("pdf_named.ofd", load("pdf_qr_old.pdf"));
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QGuiApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: make_invoice_files <folder> <qpdf>\n");
        return 2;
    }
    folder.setPath(QString::fromLocal8Bit(argv[1]));
    if (!folder.mkpath(QStringLiteral("."))) {
        std::fprintf(stderr, "cannot create %s\n", argv[1]);
        return 1;
    }
    try {
        writeQrPdfs();
        writeTextPdfs();
        writeBrokenPdfs(QString::fromLocal8Bit(argv[2]));
        writeOfds();
        writeBrokenOfds();
        writeForeignFiles();
    } catch (const std::exception& error) {
        std::fprintf(stderr, "make_invoice_files: %s\n", error.what());
        return 1;
    }
    return 0;
}
