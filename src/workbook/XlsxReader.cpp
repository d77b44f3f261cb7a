#include "workbook/XlsxReader.h"
#include "workbook/WorkbookRefusal.h"

#include <QHash>
#include <cctype>
#include <charconv>
#include <new>
#include <optional>

#include "base/AppError.h"
#include "workbook/XlsxNumberFormats.h"
#include "workbook/XlsxPackage.h"
#include "xml/XmlPart.h"

namespace xlsxreader {

namespace {

using workbook::Cell;
using xlsxformats::Shows;

[[noreturn]] void tooLarge(const Limits& limits) {
    throw workbook::unreadable(QStringLiteral("工作表过大（超过%1个单元格）。").arg(limits.cells));
}

[[noreturn]] void tooManyRows() {
    throw workbook::unreadable(QStringLiteral("工作表超过%1行。").arg(kMaxRows));
}

// What a cell's t attribute says its value is.
enum class ValueType { Number, SharedString, InlineString, FormulaString, Boolean, Error, IsoDate };

ValueType valueType(QStringView t) {
    if (t.isEmpty() || t == u"n") {
        return ValueType::Number;
    }
    if (t == u"s") {
        return ValueType::SharedString;
    }
    if (t == u"inlineStr") {
        return ValueType::InlineString;
    }
    if (t == u"str") {
        return ValueType::FormulaString;
    }
    if (t == u"b") {
        return ValueType::Boolean;
    }
    if (t == u"e") {
        return ValueType::Error;
    }
    if (t == u"d") {
        return ValueType::IsoDate;
    }
    return ValueType::Number;
}

// A number as the parts write it ("123.5", "-3", "1.2345E+20"). QString::toDouble costs ten
// times as much, and numbers are half the cells of an invoice sheet.
std::optional<double> numberOf(QStringView text) {
    text = text.trimmed();
    char ascii[64];
    if (text.isEmpty() || text.size() > qsizetype(sizeof ascii)) {
        return std::nullopt;
    }
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i].unicode() >= 0x80) {
            return std::nullopt;
        }
        ascii[i] = char(text[i].unicode());
    }
    const char* begin = ascii[0] == '+' ? ascii + 1 : ascii;
    const char* end = ascii + text.size();
    double value = 0;
    const auto [stop, error] = std::from_chars(begin, end, value);
    if (error != std::errc() || stop != end) {
        return std::nullopt;
    }
    return value;
}

// Texts in the parts escape characters XML cannot hold as _xHHHH_ (and "_" itself as _x005F_).
QString unescaped(QString text) {
    const auto isEscape = [&text](qsizetype at) {
        if (at + 7 > text.size() || text[at + 6] != u'_') {
            return false;
        }
        for (qsizetype i = at + 2; i < at + 6; ++i) {
            if (text[i].unicode() >= 0x80 || !isxdigit(text[i].unicode())) {
                return false;
            }
        }
        return true;
    };
    for (qsizetype at = text.indexOf(u"_x"); at >= 0; at = text.indexOf(u"_x", at + 1)) {
        if (isEscape(at)) {
            text.replace(at, 7, QChar(text.mid(at + 2, 4).toUShort(nullptr, 16)));
        }
    }
    return text;
}

// The text of a shared or inline string: its own <t>, or the <t> of each of its runs; the
// phonetic guides (<rPh>) are not part of it.
QString richText(XmlPart& xml) {
    QString text;
    const int depth = xml.depth();
    while (xml.next()) {
        if (xml.isEnd() && xml.depth() < depth) {
            return unescaped(std::move(text));
        }
        if (xml.isStart(u"t")) {
            text += xml.readText();
        } else if (xml.isStart(u"rPh")) {
            xml.skipElement();
        }
    }
    xml.damaged();
}

QList<QString> sharedStrings(ziparchive::Archive& archive, const QString& part,
                             const Limits& limits) {
    QList<QString> strings;
    std::unique_ptr<ziparchive::Entry> entry = archive.open(part);
    if (!entry) {
        return strings;
    }
    XmlPart xml(std::move(entry));
    while (xml.next()) {
        if (xml.isStart(u"si")) {
            if (strings.size() >= limits.cells) {
                tooLarge(limits);
            }
            strings << richText(xml);
        }
    }
    xml.drain();
    return strings;
}

// How each cell format (the cell's s attribute) shows numbers.
QList<Shows> cellFormats(ziparchive::Archive& archive, const QString& part) {
    QList<Shows> formats;
    std::unique_ptr<ziparchive::Entry> entry = archive.open(part);
    if (!entry) {
        return formats;
    }
    QHash<int, Shows> written;
    bool inCellXfs = false;
    XmlPart xml(std::move(entry));
    while (xml.next()) {
        if (xml.isStart(u"numFmt")) {
            written.insert(xml.attribute(u"numFmtId").toInt(),
                           xlsxformats::formatCode(xml.attribute(u"formatCode")));
        } else if (xml.isStart(u"cellXfs")) {
            inCellXfs = true;
        } else if (xml.isEnd(u"cellXfs")) {
            inCellXfs = false;
        } else if (inCellXfs && xml.isStart(u"xf")) {
            const int id = xml.attribute(u"numFmtId").toInt();
            formats << written.value(id, xlsxformats::builtInFormat(id));
        }
    }
    xml.drain();
    return formats;
}

// "B3" -> column 1, row 2. A reference outside A1:XFD1048576 is refused.
void parseReference(QStringView reference, int& column, qint64& row) {
    qsizetype at = 0;
    qint64 col = 0;
    while (at < reference.size() && at < 4 && reference[at].isLetter() &&
           reference[at].unicode() < 0x80) {
        col = col * 26 + (reference[at].toUpper().unicode() - u'A' + 1);
        ++at;
    }
    qint64 number = 0;
    const qsizetype digits = at;
    while (at < reference.size() && at - digits < 8 && reference[at].isDigit() &&
           reference[at].unicode() < 0x80) {
        number = number * 10 + (reference[at].unicode() - u'0');
        ++at;
    }
    if (at != reference.size() || digits == 0 || at == digits || col > kMaxColumns || number < 1 ||
        number > kMaxRows) {
        throw workbook::unreadable(
            QStringLiteral("单元格位置“%1”不在Excel工作表的范围（A1至XFD1048576）之内。")
                .arg(reference.left(16)));
    }
    column = int(col - 1);
    row = number - 1;
}

// Rows as they come, every row as long as its last cell, within the limit on cells.
class SheetBuilder {
public:
    explicit SheetBuilder(const Limits& limits) : limits_(limits) {}

    void put(qint64 row, int column, Cell cell) {
        if (sheet_.rows.size() <= row) {
            sheet_.rows.resize(row + 1);
        }
        QList<Cell>& cells = sheet_.rows[row];
        if (cells.size() <= column) {
            held_ += column + 1 - cells.size();
            if (held_ > limits_.cells) {
                tooLarge(limits_);
            }
            cells.resize(column + 1);
        }
        cells[column] = std::move(cell);
        sheet_.columnCount = qMax(sheet_.columnCount, column + 1);
    }

    workbook::Sheet finish(const QString& name) {
        if (qint64(sheet_.rows.size()) * sheet_.columnCount > limits_.cells) {
            tooLarge(limits_);
        }
        for (QList<Cell>& cells : sheet_.rows) {
            cells.resize(sheet_.columnCount);
        }
        if (!name.isEmpty()) {
            sheet_.name = name;
        }
        return std::move(sheet_);
    }

private:
    const Limits& limits_;
    workbook::Sheet sheet_;
    qint64 held_ = 0;
};

class SheetReader {
public:
    SheetReader(const xlsxpackage::FirstSheet& where, QList<Shows> formats, QList<QString> strings,
                const Limits& limits)
        : where_(where),
          formats_(std::move(formats)),
          strings_(std::move(strings)),
          builder_(limits) {}

    workbook::Sheet read(std::unique_ptr<ziparchive::Entry> entry) {
        XmlPart xml(std::move(entry));
        bool inSheetData = false;
        while (xml.next()) {
            if (xml.isStart(u"sheetData")) {
                inSheetData = true;
            } else if (xml.isEnd(u"sheetData")) {
                break;  // nothing after the cells is read
            } else if (inSheetData && xml.isStart(u"row")) {
                startRow(xml.attribute(u"r"));
            } else if (inSheetData && xml.isStart(u"c")) {
                readCell(xml);
            }
        }
        xml.drain();
        return builder_.finish(where_.name);
    }

private:
    void startRow(QStringView number) {
        if (number.isEmpty()) {
            row_ = nextRow_;
        } else {
            bool ok = false;
            row_ = number.toLongLong(&ok) - 1;
            if (!ok || row_ < 0) {
                throw workbook::unreadable(QStringLiteral("工作表中有无效的行号。"));
            }
        }
        if (row_ >= kMaxRows) {
            tooManyRows();
        }
        nextRow_ = row_ + 1;
        nextColumn_ = 0;
    }

    void readCell(XmlPart& xml) {
        qint64 row = row_;
        int column = nextColumn_;
        if (const QStringView reference = xml.attribute(u"r"); !reference.isEmpty()) {
            parseReference(reference, column, row);
        } else if (column >= kMaxColumns) {
            throw workbook::unreadable(QStringLiteral("工作表超过%1列。").arg(kMaxColumns));
        }
        nextColumn_ = column + 1;
        const ValueType type = valueType(xml.attribute(u"t"));
        const qsizetype format = xml.attribute(u"s").toInt();

        QString value;
        bool hasValue = false;
        const int depth = xml.depth();
        while (xml.next()) {
            if (xml.isEnd() && xml.depth() < depth) {
                break;
            }
            if (xml.isStart(u"v")) {
                value = xml.readText();
                hasValue = true;
            } else if (xml.isStart(u"is")) {
                value = richText(xml);
                hasValue = true;
            } else if (xml.isStart()) {
                xml.skipElement();  // a formula: its cached value is what the sheet shows
            }
        }
        if (hasValue && !value.isEmpty()) {
            builder_.put(row, column, cellOf(type, value, format));
        }
    }

    Cell cellOf(ValueType type, const QString& value, qsizetype format) const {
        switch (type) {
            case ValueType::SharedString: {
                bool ok = false;
                const qsizetype index = value.toLongLong(&ok);
                if (!ok || index < 0 || index >= strings_.size()) {
                    throw workbook::unreadable(QStringLiteral("单元格引用了不存在的共享字符串。"));
                }
                return workbook::textCell(strings_[index]);
            }
            case ValueType::InlineString:
                return workbook::textCell(value);  // unescaped with its runs
            case ValueType::FormulaString:
                return workbook::textCell(unescaped(value));
            case ValueType::Error:
                return workbook::textCell(value);  // #DIV/0!, #N/A: as the sheet shows it
            case ValueType::Boolean:
                return workbook::numberCell(value == u"1" || value == u"true" ? 1 : 0);
            case ValueType::IsoDate:
                return isoDateCell(value);
            case ValueType::Number:
                break;
        }
        const std::optional<double> number = numberOf(value);
        if (!number) {
            return workbook::textCell(value);
        }
        const Shows shows =
            format >= 0 && format < formats_.size() ? formats_[format] : Shows::Number;
        return xlsxformats::serialCell(*number, shows, where_.date1904);
    }

    // A cell that holds its date as ISO 8601 text.
    static Cell isoDateCell(const QString& value) {
        const QDateTime time = QDateTime::fromString(value.left(19), Qt::ISODate);
        if (!time.isValid()) {
            const QDate date = QDate::fromString(value.left(10), Qt::ISODate);
            return date.isValid() ? workbook::dateCell(date) : workbook::textCell(value);
        }
        return time.time() == QTime(0, 0) ? workbook::dateCell(time.date())
                                          : workbook::dateTimeCell(time.date(), time.time());
    }

    const xlsxpackage::FirstSheet& where_;
    const QList<Shows> formats_;
    const QList<QString> strings_;
    SheetBuilder builder_;
    qint64 row_ = 0;
    qint64 nextRow_ = 0;
    int nextColumn_ = 0;
};

workbook::Sheet read(const QString& path, const Limits& limits) {
    ziparchive::Archive archive(path, {limits.entryBytes, limits.totalBytes, limits.entries});
    const xlsxpackage::FirstSheet where = xlsxpackage::locateFirstSheet(archive);
    SheetReader reader(where, cellFormats(archive, where.stylesPart),
                       sharedStrings(archive, where.sharedStringsPart, limits), limits);
    return reader.read(archive.open(where.sheetPart));
}

// The package's failures in the words of the workbook readers.
AppError refusal(ziparchive::Failure failure) {
    using workbook::Unreadable;
    switch (failure) {
        case ziparchive::Failure::Encrypted:
            return workbook::unreadable(Unreadable::Encrypted);
        case ziparchive::Failure::UnsupportedCompression:
            return workbook::unreadable(QStringLiteral("文件使用了不支持的压缩方式。"));
        case ziparchive::Failure::OutOfMemory:
            return workbook::unreadable(Unreadable::OutOfMemory);
        case ziparchive::Failure::CannotOpen:
            return workbook::unreadable(Unreadable::CannotOpen);
        case ziparchive::Failure::TooLarge:
            return workbook::unreadable(Unreadable::TooLarge);
        case ziparchive::Failure::Damaged:
        case ziparchive::Failure::MissingEntry:
            break;
    }
    return workbook::unreadable(Unreadable::Damaged);
}

AppError refusal(const XmlError& error) {
    if (error.kind() == XmlError::Kind::LongRun) {
        return workbook::unreadable(
            QStringLiteral("%1 中有过长的文本，可能已损坏。").arg(error.part()));
    }
    return workbook::unreadable(
        QStringLiteral("%1 已损坏（第%2行）。").arg(error.part()).arg(error.line()));
}

}  // namespace

bool looksLikeZip(const QByteArray& head) {
    // A local file header, or the end record of an archive without entries.
    return head.startsWith(QByteArrayView("PK\x03\x04", 4)) ||
           head.startsWith(QByteArrayView("PK\x05\x06", 4));
}

workbook::Sheet readFirstSheet(const QString& path, const Limits& limits) {
    try {
        return read(path, limits);
    } catch (const AppError&) {
        throw;
    } catch (const ziparchive::Error& error) {
        throw refusal(error.failure());
    } catch (const XmlError& error) {
        throw refusal(error);
    } catch (const std::bad_alloc&) {
        throw workbook::unreadable(workbook::Unreadable::OutOfMemory);
    } catch (...) {
        throw workbook::unreadable(workbook::Unreadable::Damaged);
    }
}

}  // namespace xlsxreader
