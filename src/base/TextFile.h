#pragma once

#include <QString>

// The text-file writer of bxr.txt: GBK text, each "\n" written as CR LF.

// append false: create or empty the file (text ignored); a file that cannot be created is
// passed over. append true: append text, creating the file; throws AppError when it cannot be
// written.
void WriteToFile(const QString& path, const QString& text, bool append);

void CreateEmptyFile(const QString& path);
void AppendTextToFile(const QString& path, const QString& text);
