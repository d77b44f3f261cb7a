#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>
#include <string_view>
#include <vector>

#include "xml/XmlError.h"

// The bytes of an XML document in UTF-8 as they come, read into characters (UTF-16). It keeps
// the bytes from the token being read onwards, then a NUL where every loop stops: a read that
// gets there before the last bytes have come throws Starved, so that the token is read again,
// whole, once more have. Whatever XML does not allow where it is read, invalid UTF-8 and
// characters XML cannot hold included, is an XmlError (Malformed) at the line of the offending
// byte; lines are counted by LF.
class XmlScanner {
public:
    struct Starved {};

    // Characters of chars().
    struct Span {
        qsizetype at = 0;
        qsizetype size = 0;
    };
    struct Name : Span {
        qsizetype colon = -1;  // the last, from the start
        Span local() const { return {at + colon + 1, size - colon - 1}; }
        Span prefix() const { return {at, colon}; }
    };

    // qualified: names have at most one ':', neither first nor last.
    XmlScanner(QString part, bool qualified);

    // Room for up to size more bytes, then how many were put there.
    char* space(qsizetype size);
    void commit(qsizetype size);
    // No more bytes will come.
    void close() { closed_ = true; }
    bool closed() const { return closed_; }
    // After Starved: whether too few bytes have come yet to read the token again. It wants twice
    // the bytes it ran out of, so that a long token is not read over and over.
    void starved() { want_ = 2 * (end_ - pos_) + 1; }
    bool hungry() const { return end_ - pos_ < want_; }

    // The token being read, and past the bytes so far.
    const char* token() const { return buf_.data() + pos_; }
    const char* end() const { return buf_.data() + end_; }
    // The next token starts at p.
    void advance(const char* p) { pos_ = p - buf_.data(); }
    // The bytes kept: all of them while none has been advanced past.
    QByteArray bytes() const { return QByteArray(buf_.data(), end_); }

    // Room for the characters of the token (never more than its bytes) and views of them.
    char16_t* chars(qsizetype extra = 0) {
        const size_t size = size_t(end_ - pos_ + extra + 2);
        if (out_.size() < size) {
            grow(size);
        }
        return out_.data();
    }
    Span span(const char16_t* from, const char16_t* to) const {
        return {from - out_.data(), to - from};
    }
    QStringView view(Span s) const { return QStringView(out_.data() + s.at, s.size); }
    std::u16string_view u16(Span s) const {
        return std::u16string_view(out_.data() + s.at, size_t(s.size));
    }

    qint64 line() const { return lineAt(token()); }
    [[noreturn]] void fail(const char* p) const;
    [[noreturn]] void unexpected(const char* p) const;  // a fault, or Starved at the end
    [[noreturn]] void refuse(XmlError::Kind kind) const;

    // Whether the bytes at p are the literal; Starved when too few have come to tell.
    bool startsWith(const char* p, std::string_view literal) const;
    bool spaceAt(const char* p) const;
    static bool isSpace(unsigned char c) { return c == ' ' || c == '\n' || c == '\t' || c == '\r'; }
    static bool skipSpace(const char*& p);
    // After an attribute's name: the "=" and the opening quote, blanks around the "=" allowed.
    // Returns the quote, p past it.
    char openValue(const char*& p) const;
    // Past valid characters up to the next stop byte.
    void skipChars(const char*& p, char stop) const;

    // Each reads p onwards into characters at o, moving both on.
    Name readName(const char*& p, char16_t*& o) const;
    Span readValue(const char*& p, char16_t*& o, char quote) const;  // p past the quote
    Span readText(const char*& p, char16_t*& o) const;               // up to a '<'
    Span readCData(const char*& p, char16_t*& o) const;              // past its "]]>"

private:
    void grow(size_t size);
    static qint64 lines(const char* from, const char* to);
    qint64 lineAt(const char* p) const;
    char32_t decode(const char*& p) const;
    void reference(const char*& p, char16_t*& o) const;

    QString part_;
    bool qualified_;
    std::vector<char> buf_;
    qsizetype pos_ = 0;
    qsizetype end_ = 0;
    qsizetype want_ = 0;
    qint64 lines_ = 0;  // LFs before buf_
    bool closed_ = false;
    std::vector<char16_t> out_;
};
