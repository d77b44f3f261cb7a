#include "export/Exporters.h"

#include "export/CsvExport.h"
#include "export/HtmlExport.h"
#include "export/RtfExport.h"
#include "export/TextExport.h"
#include "export/XlsExport.h"
#include "export/XlsxExport.h"

std::unique_ptr<GridExport> createExporter(ExporterClass exporterClass) {
    switch (exporterClass) {
        case ExporterClass::Text:
            return std::make_unique<TextExport>();
        case ExporterClass::Csv:
            return std::make_unique<CsvExport>();
        case ExporterClass::Html:
            return std::make_unique<HtmlExport>();
        case ExporterClass::Rtf:
            return std::make_unique<RtfExport>();
        case ExporterClass::Xls:
            return std::make_unique<XlsExport>();
        case ExporterClass::Xlsx:
            return std::make_unique<XlsxExport>();
    }
    throw std::invalid_argument("unknown exporter class");
}

void exportGridToFile(ExporterClass exporterClass, exportgrid::Grid& grid, const QString& fileName,
                      bool exportAll) {
    const std::unique_ptr<GridExport> exporter = createExporter(exporterClass);
    exporter->setGrid(&grid);
    exporter->ExportToFile(fileName, exportAll);
}
