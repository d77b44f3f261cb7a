#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>
#include <functional>
#include <optional>

#include "prompts/Prompts.h"

// The save dialog of the audit windows' exports, through the prompts seam.
namespace audit {

struct SaveChoice {
    QString path;  // with the chosen type's extension
    int type = 0;  // 0-based index into the offered types
};

struct SaveType {
    FileFilter filter;
    QString extension;  // "csv"
};

// Nothing when cancelled. The type's extension is added unless the typed name has it.
std::optional<SaveChoice> askSavePath(QObject* owner, const QString& caption,
                                      const QString& proposedName, const QList<SaveType>& types);

// Writes the file through write (which throws AppError), then tells the clerk where it is, or
// why it failed. True when written.
bool writeAndTell(QObject* owner, const QString& path, const std::function<void()>& write);

// Writes bytes to path; throws AppError.
void writeBytes(const QString& path, const QByteArray& bytes);

inline const SaveType kCsvType{{QStringLiteral("文本交换文件(*.csv)"), QStringLiteral("*.csv")},
                               QStringLiteral("csv")};
inline const SaveType kXlsxType{
    {QStringLiteral("Excel 2007工作簿(*.xlsx)"), QStringLiteral("*.xlsx")}, QStringLiteral("xlsx")};
inline const SaveType kPngType{{QStringLiteral("PNG图片(*.png)"), QStringLiteral("*.png")},
                               QStringLiteral("png")};

}  // namespace audit
