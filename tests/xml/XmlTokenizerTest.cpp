#include <gtest/gtest.h>

#include <cstring>

#include "xml/XmlTokenizer.h"

namespace {

using Token = XmlTokenizer::Token;

// The tokens of a document given piece bytes at a time, or the line it is refused at.
QStringList tokensFedBy(const QByteArray& document, qsizetype piece) {
    XmlTokenizer xml(QStringLiteral("part.xml"), {});
    QStringList seen;
    qsizetype given = 0;
    try {
        for (;;) {
            switch (xml.next()) {
                case Token::Hungry:
                    do {
                        const qsizetype size = qMin(piece, document.size() - given);
                        if (size == 0) {
                            xml.close();
                            break;
                        }
                        std::memcpy(xml.space(size), document.constData() + given, size_t(size));
                        xml.commit(size);
                        given += size;
                    } while (xml.hungry());
                    continue;
                case Token::Start: {
                    QString start = QStringLiteral("<%1").arg(xml.qualifiedName());
                    for (qsizetype i = 0; i < xml.attributeCount(); ++i) {
                        start += QStringLiteral(" %1=%2").arg(xml.attributeQualifiedName(i),
                                                              xml.attributeValue(i));
                    }
                    seen << start;
                    continue;
                }
                case Token::End:
                    seen << QStringLiteral("</%1").arg(xml.qualifiedName());
                    continue;
                case Token::Text:
                    seen << xml.text().toString();
                    continue;
                case Token::Finished:
                    return seen;
                case Token::Encoding:
                    return seen << QStringLiteral("encoding %1").arg(xml.encoding());
            }
        }
    } catch (const XmlError& error) {
        return seen << QStringLiteral("refused at line %1").arg(error.line());
    }
}

}  // namespace

TEST(XmlTokenizerTest, EveryTokenMayBeCutAnywhere) {
    const struct {
        QByteArray document;
        QStringList tokens;
    } cases[] = {
        {"\xEF\xBB\xBF<?xml version=\"1.0\"?>\r\n<!-- c -->\n<p:r xmlns:p=\"urn:p\" "
         "a='x &amp; &#x4E2D;'>中文 &lt;&#x1F600;\r\n<![CDATA[a]]b]]><?pi ?><s p:b='1'/>"
         "</p:r >\n",
         {"<p:r a=x & 中", "中文 <😀\n", "a]]b", "<s p:b=1", "</s", "</p:r"}},
        {"<r>\n\n<a></r>", {"<r", "\n\n", "<a", "refused at line 3"}},
        {"<r>\n\xe4\xb8\xad\xe4\xb8</r>", {"<r", "refused at line 2"}},
        {"<r>\n<a>", {"<r", "\n", "<a", "refused at line 2"}},
        {"\xFF\xFE<\0r\0/\0>\0", {"encoding UTF-16"}},
        {"<?xml version='1.0' encoding='GBK'?><r/>", {"encoding GBK"}},
    };
    for (const auto& c : cases) {
        for (const qsizetype piece : {1, 2, 3, 5, 1 << 20}) {
            EXPECT_EQ(tokensFedBy(c.document, piece), c.tokens)
                << c.document.left(40).constData() << " by " << piece;
        }
    }
}
