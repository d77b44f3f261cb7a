#include <gtest/gtest.h>

#include <QStringEncoder>
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

// Every token on one line: start elements with their attributes (a prefixed name in
// parentheses after the local one), end elements and quoted texts.
QString described(XmlPart& xml) {
    QString seen;
    while (xml.next()) {
        if (xml.isStart()) {
            seen += QStringLiteral("<%1").arg(xml.name());
            if (xml.qualifiedName() != xml.name()) {
                seen += QStringLiteral("(%1)").arg(xml.qualifiedName());
            }
            for (qsizetype i = 0; i < xml.attributeCount(); ++i) {
                seen += QStringLiteral(" %1=%2").arg(xml.attributeQualifiedName(i),
                                                     xml.attributeValue(i));
            }
            seen += u'>';
        } else if (xml.isEnd()) {
            seen += QStringLiteral("</%1>").arg(xml.name());
        } else if (xml.isText()) {
            seen += QStringLiteral("'%1'").arg(xml.text());
        }
    }
    return seen;
}

QString described(const QByteArray& document, bool namespaces = true) {
    XmlLimits limits;
    limits.namespaces = namespaces;
    XmlPart xml(document, QStringLiteral("part.xml"), limits);
    return described(xml);
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

TEST(XmlPartTest, TokensSayWhatTheDocumentMeans) {
    const struct {
        const char* document;
        bool namespaces;
        const char* tokens;
    } cases[] = {
        {"<r>a &lt;&gt;&amp;&quot;&apos; &#65;&#x42;&#x4E2D;&#x1F600;</r>", true,
         "<r>'a <>&\"' AB中😀'</r>"},
        {"<r>a<![CDATA[<b>&amp;]]]]>c</r>", true, "<r>'a''<b>&amp;]]''c'</r>"},
        {"<r><![CDATA[]]></r>", true, "<r></r>"},
        {"<r>a]b]]c>d</r>", true, "<r>'a]b]]c>d'</r>"},
        {"\xEF\xBB\xBF<?xml version=\"1.0\" encoding='utf-8'?>\n<!-- c -->\n<?pi x?>\n"
         "<r><!-- in --><?p?>t</r>\n<!-- after --><?q?>\n",
         true, "<r>'t'</r>"},
        {"<r> <a/> </r>", true, "<r>' '<a></a>' '</r>"},
        {"<r>a\r\nb\rc</r>", true, "<r>'a\nb\nc'</r>"},
        {"<r a=\"1 'x'\" b='2 \"y\"' c=\"&lt;&#10;\" d=\"x\ty\r\nz\"/>", true,
         "<r a=1 'x' b=2 \"y\" c=<\n d=x y z></r>"},
        {"<p:r xmlns:p=\"u\" xmlns=\"d\" p:a=\"1\" b=\"2\"><q:s xmlns:q=\"u\"/><p:t/></p:r>", true,
         "<r(p:r) p:a=1 b=2><s(q:s)></s><t(p:t)></t></r>"},
        {"<p:r xmlns:p=\"u\" q:a=\"1\"><x:s/></p:r>", false,
         "<r(p:r) xmlns:p=u q:a=1><s(x:s)></s></r>"},
        {"<表 列=\"值\">张三</表>", true, "<表 列=值>'张三'</表>"},
        {"<?xml version=\"1.0\" encoding=\"UTF8\"?><r>中</r>", true, "<r>'中'</r>"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(described(c.document, c.namespaces), QString::fromUtf8(c.tokens)) << c.document;
    }
}

TEST(XmlPartTest, WhatIsNotWellFormedIsRefusedAtItsLine) {
    const struct {
        QByteArray document;
        qint64 line;
    } cases[] = {
        {"<r>&foo;</r>", 1},
        {"<r>\n&#0;</r>", 2},
        {"<r>&#xD800;</r>", 1},
        {"<r>&#x110000;</r>", 1},
        {"<r>&#X41;</r>", 1},
        {"<r>&#65</r>", 1},
        {"<r>& </r>", 1},
        {"<r>\x01</r>", 1},
        {"<r>a]]>b</r>", 1},
        {"<r/>\nx", 2},
        {"x<r/>", 1},
        {"<r/><r/>", 1},
        {"<![CDATA[x]]><r/>", 1},
        {"<r>\n<a>\n</r>", 3},
        {"<r>\n<a>", 2},
        {"<r>\n<![CDATA[x]]</r>", 2},
        {" \n ", 2},
        {"<r a='1'\n a=\"2\"/>", 2},
        {"<r xmlns:p='u' xmlns:q='u' p:a='1'\n q:a='2'/>", 2},
        {"<r>\n<p:a/></r>", 2},
        {"<r p:a='1'/>", 1},
        {"<r><a xmlns:p='u'/>\n<p:b/></r>", 2},
        {"<r xmlns:p=''/>", 1},
        {"<a:b:c xmlns:a='u'/>", 1},
        {"<1r/>", 1},
        {"<r a=1/>", 1},
        {"<r a='<'/>", 1},
        {"<r a='1'b='2'/>", 1},
        {"<r>\xff</r>", 1},
        {"<r>\xc0\x80</r>", 1},
        {"<r>\xed\xa0\x80</r>", 1},
        {"<r>\xe4\xb8</r>", 1},
        {"<r>\xef\xbf\xbe</r>", 1},
        {"<r><!-- a -- b --></r>", 1},
        {"<r>\n<?xml version='1.0'?></r>", 2},
        {"<?xml encoding='UTF-8'?><r/>", 1},
        {"<?xml version='1.0' encoding='no-such'?><r/>", 1},
        // Lines are counted across the chunks the part is read in.
        {"<r>" + QByteArray("\n").repeated(100000) + "&bad;</r>", 100001},
    };
    for (const auto& c : cases) {
        const std::optional<XmlError> error = errorOf(c.document);
        ASSERT_TRUE(error) << c.document.left(60).constData();
        EXPECT_EQ(error->kind(), XmlError::Kind::Malformed) << c.document.left(60).constData();
        EXPECT_EQ(error->line(), c.line) << c.document.left(60).constData();
    }
}

TEST(XmlPartTest, TheRelationshipIdIsAnIdInANamespace) {
    const struct {
        const char* document;
        const char* id;
    } cases[] = {
        {"<s xmlns:r=\"u\" name=\"a\" r:id=\"rId3\"/>", "rId3"},
        {"<s id=\"x\"/>", ""},
        {"<s xmlns:x=\"u\" x:Id=\"x\"/>", ""},
        {"<s xml:id=\"x\"/>", "x"},
    };
    for (const auto& c : cases) {
        XmlPart xml(QByteArray(c.document), QStringLiteral("part.xml"));
        ASSERT_TRUE(xml.next());
        EXPECT_EQ(xml.relationshipId(), QString::fromUtf8(c.id)) << c.document;
    }
}

TEST(XmlPartTest, PartsInOtherEncodingsAreReadAsTheyDeclare) {
    const QString document = QStringLiteral("<r a=\"张\">三</r>");
    const auto encoded = [](const char* encoding, const QString& text, bool bom) {
        QStringEncoder encoder(
            encoding, bom ? QStringConverter::Flag::WriteBom : QStringConverter::Flag::Default);
        return QByteArray(encoder.encode(text));
    };
    const QByteArray parts[] = {
        encoded("UTF-16LE", document, true),
        encoded("UTF-16BE", document, true),
        encoded("UTF-16LE", QStringLiteral("<?xml version=\"1.0\"?>") + document, false),
        encoded("GBK", QStringLiteral("<?xml version=\"1.0\" encoding=\"GBK\"?>") + document,
                false),
    };
    for (const QByteArray& part : parts) {
        EXPECT_EQ(described(part), QStringLiteral("<r a=张>'三'</r>")) << part.toHex().constData();
    }
    // From an entry, read to its end; a refusal names its line.
    QTemporaryDir dir;
    xlsxfixtures::writeZip(dir.filePath("p.zip"),
                           {{"p.xml", encoded("UTF-16LE", QStringLiteral("<r>\n</s>"), true)}});
    ziparchive::Archive archive(dir.filePath("p.zip"), {1 << 20, 1 << 20, 1});
    try {
        XmlPart xml(archive.open("p.xml"));
        described(xml);
        ADD_FAILURE() << "not refused";
    } catch (const XmlError& error) {
        EXPECT_EQ(error.kind(), XmlError::Kind::Malformed);
        EXPECT_EQ(error.line(), 2);
    }
}

TEST(XmlPartTest, TokensLongerThanAChunkAreReadWhole) {
    // Three-byte characters, so that chunks end within them as well.
    const QByteArray document = "<r a=\"" + QByteArray("值").repeated(50000) + "\">" +
                                QByteArray("中文").repeated(100000) + "</r>";
    QTemporaryDir dir;
    xlsxfixtures::writeZip(dir.filePath("p.zip"), {{"p.xml", document}});
    ziparchive::Archive archive(dir.filePath("p.zip"), {1 << 21, 1 << 21, 1});
    XmlPart xml(archive.open("p.xml"));
    ASSERT_TRUE(xml.next());
    EXPECT_EQ(xml.attribute(u"a").size(), 50000);
    EXPECT_EQ(xml.attribute(u"a").back(), u'值');
    ASSERT_TRUE(xml.next());
    ASSERT_TRUE(xml.isText());
    EXPECT_EQ(xml.text().size(), 200000);
    EXPECT_EQ(xml.text().mid(199998), u"中文");
    ASSERT_TRUE(xml.next());
    EXPECT_TRUE(xml.isEnd(u"r"));
    EXPECT_FALSE(xml.next());
}
