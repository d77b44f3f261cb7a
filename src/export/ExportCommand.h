#pragma once

#include <QDateTime>
#include <QList>
#include <QObject>
#include <QString>

#include "export/ExportGrid.h"
#include "export/Exporters.h"
#include "prompts/Prompts.h"

// The records window's export command: the proposed name, the save dialog with its six file
// types, the confirmation, the export and the success message.

struct ExportFileType {
    FileFilter filter;
    QString extension;
    ExporterClass exporter;
};

// The save dialog's types in their order; the dialog's type index is position + 1.
const QList<ExportFileType>& exportFileTypes();
inline constexpr int kPreselectedExportType = 5;  // Excel

// "YYYYMMDDHHMMSS_电子发票报销记录", without an extension.
QString proposedExportName(const QDateTime& now);
QString proposedExportName();  // at appclock::now()

// Shows the save dialog and the confirmation, then writes every row of the grid into the
// chosen file with the chosen type's extension appended. Cancelling either prompt writes
// nothing. The writing runs off the UI thread behind a progress window whose "取消" stops it,
// removes the partial file and shows nothing more. Export failures are AppError and pass to
// the caller; no success message then.
void ExportGridToFile(exportgrid::Grid& grid, const QString& proposedName, QObject* owner);
