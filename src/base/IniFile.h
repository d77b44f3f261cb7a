#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// config.ini as the Windows profile functions treat it: GBK text; section and key names
// matched without regard to case; a read names its default; a write replaces or adds one key,
// creating the file and the section when absent, and keeps every other line as it was.
class IniFile {
public:
    explicit IniFile(QString path);

    const QString& path() const { return path_; }

    QString readString(const QString& section, const QString& key,
                       const QString& defaultValue) const;

    // Writes the file at once. Throws AppError "Unable to write to <path>" when the file or its
    // folder is read-only or the write fails.
    void writeString(const QString& section, const QString& key, const QString& value);

private:
    struct Line {
        QByteArray raw;  // the bytes as in the file, line end included
        QString text;    // decoded, without line end
    };
    struct Position {
        qsizetype sectionLine = -1;  // index of the "[section]" line
        qsizetype keyLine = -1;
        qsizetype lastContentLine = -1;  // last non-blank line of the section
    };

    void load();
    Position find(const QString& section, const QString& key) const;
    void save(const QList<Line>& lines) const;

    QString path_;
    QList<Line> lines_;
};
