#pragma once

#include <QByteArray>
#include <QString>

// Every text file of the program (config.ini, the log, bxr.txt, the export files) is GBK, and
// every byte limit is counted on the GBK encoding of a text.
namespace textcodec {

QByteArray toGbk(const QString& text);
QString fromGbk(const QByteArray& bytes);

// Number of bytes of the GBK encoding of text.
qsizetype gbkLength(const QString& text);

// False when some character of text has no GBK encoding (an emoji, say).
bool isGbkEncodable(const QString& text);

// Text as a text-mode file stream writes it: every "\n" becomes CR LF.
QByteArray toGbkTextMode(const QString& text);

}  // namespace textcodec
