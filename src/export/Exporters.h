#pragma once

#include <QString>
#include <memory>

#include "export/ExportGrid.h"
#include "export/GridExport.h"

// The exporter classes the export command chooses from.
enum class ExporterClass { Text, Csv, Html, Rtf, Xls, Xlsx };

std::unique_ptr<GridExport> createExporter(ExporterClass exporterClass);

// The one entry point: a fresh exporter of the class, on the grid, into the file.
void exportGridToFile(ExporterClass exporterClass, exportgrid::Grid& grid, const QString& fileName,
                      bool exportAll);
