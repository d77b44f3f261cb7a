#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <optional>

#include "XlsxFixtures.h"
#include "xml/XmlPart.h"

namespace {

// Every token as a line: start and end elements with their depth, and texts.
QStringList tokens(XmlPart& xml) {
    QStringList seen;
    while (xml.next()) {
        if (xml.isStart()) {
            seen << QStringLiteral("<%1 %2 %3")
                        .arg(xml.name())
                        .arg(xml.depth())
                        .arg(xml.attribute(u"v"));
        } else if (xml.isEnd()) {
            seen << QStringLiteral("</%1 %2").arg(xml.name()).arg(xml.depth());
        } else if (xml.isText()) {
            seen << xml.text().toString();
        }
    }
    xml.drain();
    return seen;
}

std::optional<XmlError> errorOf(const QByteArray& document, const XmlLimits& limits = {}) {
    try {
        XmlPart xml(document, QStringLiteral("part.xml"), limits);
        tokens(xml);
    } catch (const XmlError& error) {
        return error;
    }
    return std::nullopt;
}

}  // namespace

TEST(XmlPartTest, APartReadsTheSameFromItsEntryAndFromItsBytes) {
    // Longer than the chunks the entry is read in, so that tokens straddle them.
    const QByteArray document = "<?xml version=\"1.0\"?>\n<r xmlns=\"urn:x\">" +
                                QByteArray("<a v=\"1\">text &amp; more</a><b/>\n").repeated(5000) +
                                "</r>";
    QTemporaryDir dir;
    xlsxfixtures::writeZip(dir.filePath("p.zip"), {{"p.xml", document}});
    ziparchive::Archive archive(dir.filePath("p.zip"), {1 << 20, 1 << 20, 1});
    XmlPart fromEntry(archive.open("p.xml"));
    XmlPart fromBytes(document, QStringLiteral("p.xml"));
    const QStringList seen = tokens(fromEntry);
    EXPECT_EQ(seen.size(), 1 + 5000 * 6 + 1);
    EXPECT_EQ(seen.mid(0, 4), (QStringList{"<r 1 ", "<a 2 1", "text & more", "</a 1"}));
    EXPECT_EQ(tokens(fromBytes), seen);
}

TEST(XmlPartTest, EachRefusalSaysItsKindThePartAndTheLine) {
    using Kind = XmlError::Kind;
    EXPECT_FALSE(errorOf("<r>\n<a/></r>"));
    const std::optional<XmlError> unclosed = errorOf("<r>\n<a></r>");
    ASSERT_TRUE(unclosed);
    EXPECT_EQ(unclosed->kind(), Kind::Malformed);
    EXPECT_EQ(unclosed->part(), "part.xml");
    EXPECT_EQ(unclosed->line(), 2);
    EXPECT_EQ(errorOf("<r>\n<a>")->kind(), Kind::Malformed);
    EXPECT_EQ(errorOf("")->kind(), Kind::Malformed);
    const std::optional<XmlError> dtd = errorOf("<!DOCTYPE r>\n<r/>");
    ASSERT_TRUE(dtd);
    EXPECT_EQ(dtd->kind(), Kind::Malformed);
    EXPECT_EQ(dtd->line(), 1);
}

TEST(XmlPartTest, TheLimitsAreThoseOfTheReader) {
    using Kind = XmlError::Kind;
    XmlLimits limits;
    limits.run = 50;
    limits.depth = 3;
    limits.elements = 4;
    EXPECT_FALSE(errorOf("<a><b><c/></b><d>" + QByteArray(40, 'x') + "</d></a>", limits));
    EXPECT_EQ(errorOf("<a>" + QByteArray(60, 'x') + "</a>", limits)->kind(), Kind::LongRun);
    EXPECT_EQ(errorOf("<a x=\"" + QByteArray(60, 'x') + "\"/>", limits)->kind(), Kind::LongRun);
    EXPECT_EQ(errorOf("<a><b><c><d/></c></b></a>", limits)->kind(), Kind::TooDeep);
    EXPECT_EQ(errorOf("<a><b/><c/><d/><e/></a>", limits)->kind(), Kind::TooMany);
    // The defaults are the workbook parts': 64 deep, 2 MiB a run, elements without number.
    EXPECT_FALSE(errorOf(QByteArray("<a>").repeated(64) + QByteArray("</a>").repeated(64)));
    EXPECT_EQ(errorOf(QByteArray("<a>").repeated(65) + QByteArray("</a>").repeated(65))->kind(),
              Kind::TooDeep);
}
