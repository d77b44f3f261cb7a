#include "base/IniFile.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <optional>

#include "base/AppError.h"
#include "base/TextCodec.h"

namespace {

QString sectionName(const QString& line) {
    const QString trimmed = line.trimmed();
    if (!trimmed.startsWith(u'[')) {
        return {};
    }
    const qsizetype close = trimmed.indexOf(u']');
    return (close < 0 ? trimmed.mid(1) : trimmed.mid(1, close - 1)).trimmed();
}

bool isSectionLine(const QString& line) {
    return line.trimmed().startsWith(u'[');
}

bool sameName(const QString& a, const QString& b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// The key of a "key=value" line, or nothing.
std::optional<QString> keyOf(const QString& line) {
    const qsizetype eq = line.indexOf(u'=');
    if (eq < 0 || line.trimmed().startsWith(u';')) {
        return std::nullopt;
    }
    return line.left(eq).trimmed();
}

QString valueOf(const QString& line) {
    QString value = line.mid(line.indexOf(u'=') + 1).trimmed();
    if (value.size() >= 2 && (value.front() == u'"' || value.front() == u'\'') &&
        value.back() == value.front()) {
        value = value.mid(1, value.size() - 2);
    }
    return value;
}

bool writable(const QFileInfo& info) {
    // A file or folder without any write bit is read-only, as the read-only attribute makes it
    // on Windows, even for root (whom the system would let write).
    const auto writeBits =
        QFileDevice::WriteOwner | QFileDevice::WriteGroup | QFileDevice::WriteOther;
    return (info.permissions() & writeBits) != 0;
}

}  // namespace

IniFile::IniFile(QString path) : path_(std::move(path)) {
    load();
}

void IniFile::load() {
    lines_.clear();
    QFile file(path_);
    if (!file.open(QIODevice::ReadOnly)) {
        return;
    }
    const QByteArray all = file.readAll();
    qsizetype start = 0;
    while (start < all.size()) {
        qsizetype end = all.indexOf('\n', start);
        end = end < 0 ? all.size() : end + 1;
        Line line;
        line.raw = all.mid(start, end - start);
        QByteArray content = line.raw;
        while (content.endsWith('\n') || content.endsWith('\r')) {
            content.chop(1);
        }
        line.text = textcodec::fromGbk(content);
        lines_.append(line);
        start = end;
    }
}

IniFile::Position IniFile::find(const QString& section, const QString& key) const {
    Position pos;
    for (qsizetype i = 0; i < lines_.size(); ++i) {
        const QString& text = lines_.at(i).text;
        if (isSectionLine(text)) {
            if (pos.sectionLine >= 0) {
                break;  // the end of the first matching section
            }
            if (sameName(sectionName(text), section)) {
                pos.sectionLine = i;
                pos.lastContentLine = i;
            }
            continue;
        }
        if (pos.sectionLine < 0) {
            continue;
        }
        if (!text.trimmed().isEmpty()) {
            pos.lastContentLine = i;
        }
        const std::optional<QString> name = keyOf(text);
        if (pos.keyLine < 0 && name && sameName(*name, key)) {
            pos.keyLine = i;
        }
    }
    return pos;
}

QString IniFile::readString(const QString& section, const QString& key,
                            const QString& defaultValue) const {
    const Position pos = find(section, key);
    if (pos.keyLine < 0) {
        return defaultValue;
    }
    return valueOf(lines_.at(pos.keyLine).text);
}

void IniFile::writeString(const QString& section, const QString& key, const QString& value) {
    QList<Line> lines = lines_;
    const Position pos = find(section, key);
    const QString keyText = key + u'=' + value;
    const Line keyLine{textcodec::toGbk(keyText) + "\r\n", keyText};
    if (pos.keyLine >= 0) {
        QByteArray ending = lines.at(pos.keyLine).raw.endsWith("\r\n") ? "\r\n"
                            : lines.at(pos.keyLine).raw.endsWith('\n') ? "\n"
                                                                       : "";
        lines[pos.keyLine] = Line{textcodec::toGbk(keyText) + ending, keyText};
        if (ending.isEmpty()) {
            lines[pos.keyLine].raw += "\r\n";
        }
    } else {
        if (!lines.isEmpty() && !lines.constLast().raw.endsWith('\n')) {
            lines.last().raw += "\r\n";
        }
        if (pos.sectionLine >= 0) {
            lines.insert(pos.lastContentLine + 1, keyLine);
        } else {
            const QString header = u'[' + section + u']';
            lines.append(Line{textcodec::toGbk(header) + "\r\n", header});
            lines.append(keyLine);
        }
    }
    save(lines);
    lines_ = lines;
}

void IniFile::save(const QList<Line>& lines) const {
    const AppError refused(QStringLiteral("Unable to write to %1").arg(path_));
    const QFileInfo info(path_);
    if (info.exists() ? (!info.isFile() || !writable(info))
                      : !writable(QFileInfo(info.absolutePath()))) {
        throw refused;
    }
    QByteArray bytes;
    for (const Line& line : lines) {
        bytes += line.raw;
    }
    QSaveFile file(path_);
    file.setDirectWriteFallback(true);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        throw refused;
    }
}
