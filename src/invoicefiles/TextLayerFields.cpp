#include "invoicefiles/TextLayerFields.h"

#include <QRegularExpression>
#include <algorithm>

#include "invoicefiles/FieldText.h"

namespace invoicefiles {

namespace {

struct Line {
    QRectF band;  // the first run's box: later runs join when they overlap its middle
    std::vector<TextRun> runs;
};

bool sharesLine(const QRectF& band, const QRectF& box) {
    const double middle = box.center().y();
    const double bandMiddle = band.center().y();
    return (middle >= band.top() && middle <= band.bottom()) ||
           (bandMiddle >= box.top() && bandMiddle <= box.bottom());
}

QString joined(std::vector<TextRun>& runs) {
    std::sort(runs.begin(), runs.end(),
              [](const TextRun& a, const TextRun& b) { return a.box.left() < b.box.left(); });
    QString text;
    double previousRight = 0;
    for (const TextRun& run : runs) {
        if (!text.isEmpty() && run.box.left() - previousRight > run.box.height() / 3) {
            text.append(u' ');
        }
        text.append(run.text);
        previousRight = run.box.right();
    }
    return text;
}

// A label as printed, its characters perhaps spread with blanks, then an optional colon.
QString label(const QString& characters) {
    QStringList parts;
    for (QChar c : characters) {
        parts.append(QRegularExpression::escape(QString(c)));
    }
    return parts.join(QStringLiteral(R"(\s*)")) + QStringLiteral(R"(\s*[:：]?\s*)");
}

QString firstCapture(const std::vector<QString>& lines, const QRegularExpression& pattern) {
    for (const QString& line : lines) {
        const auto match = pattern.match(line);
        if (match.hasMatch()) {
            return match.captured(1);
        }
    }
    return {};
}

// Unicode classes, so that \s also takes the ideographic space that pads printed labels.
constexpr auto kUnicode = QRegularExpression::UseUnicodePropertiesOption;

QRegularExpression fieldPattern(const QString& labelText, const QString& value) {
    return QRegularExpression(label(labelText) + value, kUnicode);
}

}  // namespace

std::vector<QString> textLines(std::vector<TextRun> runs) {
    std::sort(runs.begin(), runs.end(), [](const TextRun& a, const TextRun& b) {
        return a.box.center().y() < b.box.center().y();
    });
    std::vector<Line> lines;
    for (TextRun& run : runs) {
        if (lines.empty() || !sharesLine(lines.back().band, run.box)) {
            lines.push_back({run.box, {}});
        }
        lines.back().runs.push_back(std::move(run));
    }
    std::vector<QString> texts;
    texts.reserve(lines.size());
    for (Line& line : lines) {
        texts.push_back(joined(line.runs));
    }
    return texts;
}

InvoiceFields fieldsFromLines(const std::vector<QString>& lines) {
    static const QString amount = QStringLiteral(R"((-?\s*[\d,]+(?:\.\d+)?))");
    static const QRegularExpression code =
        fieldPattern(QStringLiteral("发票代码"), QStringLiteral(R"((\d{12}|\d{10})(?!\d))"));
    static const QRegularExpression number =
        fieldPattern(QStringLiteral("发票号码"), QStringLiteral(R"((\d{20}|\d{8})(?!\d))"));
    static const QRegularExpression date = fieldPattern(
        QStringLiteral("开票日期"),
        QStringLiteral(
            R"((\d{4}\s*年\s*\d{1,2}\s*月\s*\d{1,2}\s*日|\d{4}[-/.]\d{1,2}[-/.]\d{1,2}|\d{8}))"));
    static const QRegularExpression checkCode =
        fieldPattern(QStringLiteral("校验码"), QStringLiteral(R"(((?:\d\s*){20})(?!\d))"));
    // 合计 but not the 合计 inside 价税合计; the first ¥ amount after it is the one before tax.
    static const QRegularExpression total(
        QStringLiteral(R"((?<!税)(?<!税\s)合\s*计[^¥￥]*?[¥￥]\s*)") + amount, kUnicode);
    static const QRegularExpression totalWithTax(
        QStringLiteral(R"(小\s*写\s*[)）]?\s*[:：]?\s*[¥￥]?\s*)") + amount, kUnicode);

    InvoiceFields fields;
    fields.code = firstCapture(lines, code);
    fields.number = firstCapture(lines, number);
    fields.date = dateAsYmd(firstCapture(lines, date));
    fields.checkCode = digitsOnly(firstCapture(lines, checkCode));
    fields.amount = amountText(firstCapture(lines, total));
    if (fields.amount.isEmpty()) {
        fields.amount = amountText(firstCapture(lines, totalWithTax));
    }
    return fields;
}

}  // namespace invoicefiles
