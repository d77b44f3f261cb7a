#include <gtest/gtest.h>

#include "invoicefiles/OfdPaths.h"
#include "xml/XmlTree.h"

using namespace invoicefiles;

TEST(OfdPartsTest, ReferencesResolveFromTheNamingEntryOrTheRoot) {
    EXPECT_EQ(resolveEntry("OFD.xml", "Doc_0/Document.xml"), "Doc_0/Document.xml");
    EXPECT_EQ(resolveEntry("Doc_0/Document.xml", "Pages/Page_0/Content.xml"),
              "Doc_0/Pages/Page_0/Content.xml");
    EXPECT_EQ(resolveEntry("Doc_0/Tags/CustomTags.xml", "CustomTag.xml"),
              "Doc_0/Tags/CustomTag.xml");
    EXPECT_EQ(resolveEntry("Doc_0/Document.xml", "/Doc_0/Res/a.png"), "Doc_0/Res/a.png");
    EXPECT_EQ(resolveEntry("Doc_0/Document.xml", "./Pages/../Res\\b.png"), "Doc_0/Res/b.png");
    EXPECT_EQ(resolveEntry("Doc_0/Document.xml", " Tags//CustomTags.xml "),
              "Doc_0/Tags/CustomTags.xml");
    EXPECT_EQ(resolveInDirectory("Doc_0/Res", "qrcode.png"), "Doc_0/Res/qrcode.png");
    EXPECT_EQ(resolveInDirectory("", "OFD.xml"), "OFD.xml");
}

TEST(OfdPartsTest, ReferencesAboveTheRootOrEmptyNameNothing) {
    EXPECT_EQ(resolveEntry("OFD.xml", "../../etc/passwd"), "");
    EXPECT_EQ(resolveEntry("Doc_0/Document.xml", "../../OFD.xml"), "");
    EXPECT_EQ(resolveEntry("Doc_0/Document.xml", ""), "");
    EXPECT_EQ(directoryOf("Doc_0/Document.xml"), "Doc_0");
    EXPECT_EQ(directoryOf("OFD.xml"), "");
}

TEST(OfdPartsTest, ElementsAreKnownByLocalNameWhateverTheirPrefix) {
    std::unique_ptr<XmlElement> root;
    ASSERT_EQ(parseXml("<?xml version=\"1.0\"?>"
                       "<a:OFD xmlns:a=\"http://www.ofdspec.org/2016\"><a:DocBody>"
                       "<b:DocInfo><CustomDatas><ofd:CustomData ofd:Name=\"发票号码\"> 123 "
                       "</ofd:CustomData></CustomDatas></b:DocInfo>"
                       "<a:DocRoot>Doc_0/Document.xml</a:DocRoot></a:DocBody></a:OFD>",
                       root),
              XmlStatus::Ok);
    EXPECT_EQ(root->name, "OFD");
    const XmlElement* body = root->child("DocBody");
    ASSERT_NE(body, nullptr);
    EXPECT_EQ(body->child("DocRoot")->text, "Doc_0/Document.xml");
    const XmlElement* data = root->find("CustomData");
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(data->attribute("Name"), "发票号码");
    EXPECT_EQ(data->text, "123");
}

TEST(OfdPartsTest, BrokenOrAbsurdDocumentsAreRefused) {
    std::unique_ptr<XmlElement> root;
    EXPECT_EQ(parseXml("<OFD><DocBody></OFD>", root), XmlStatus::Malformed);
    EXPECT_EQ(root, nullptr);
    EXPECT_EQ(parseXml("", root), XmlStatus::Malformed);
    EXPECT_EQ(parseXml("not xml", root), XmlStatus::Malformed);
    EXPECT_EQ(parseXml(QByteArray("<a>").repeated(300) + QByteArray("</a>").repeated(300), root),
              XmlStatus::TooLarge);
    EXPECT_EQ(parseXml("<r>" + QByteArray("<a/>").repeated(250000) + "</r>", root),
              XmlStatus::TooLarge);
    EXPECT_EQ(root, nullptr);
}

TEST(OfdPartsTest, EntitiesExpandingWithoutEndAreRefused) {
    // Each entity ten times the one before: a billion "lol"s from a few hundred bytes.
    QByteArray entities = "<!ENTITY l0 \"lol\">";
    for (int i = 1; i < 10; ++i) {
        entities += QStringLiteral("<!ENTITY l%1 \"%2\">")
                        .arg(i)
                        .arg(QStringLiteral("&l%1;").arg(i - 1).repeated(10))
                        .toLatin1();
    }
    std::unique_ptr<XmlElement> root;
    EXPECT_EQ(
        parseXml("<?xml version=\"1.0\"?><!DOCTYPE OFD [" + entities + "]><OFD>&l9;</OFD>", root),
        XmlStatus::Malformed);
    EXPECT_EQ(root, nullptr);
}
