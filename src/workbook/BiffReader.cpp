#include "workbook/BiffReader.h"
#include "workbook/WorkbookRefusal.h"

#include "base/AppError.h"
#include "workbook/BiffGlobals.h"
#include "workbook/BiffRecords.h"
#include "workbook/BiffWorksheet.h"

namespace biffreader {

bool looksLikeStream(const QByteArray& bytes) {
    if (bytes.size() < 8) {
        return false;
    }
    const quint16 type = biff::u16(bytes.constData());
    const quint16 size = biff::u16(bytes.constData() + 2);
    return biff::isBof(type) && size >= 4 && size <= 20;
}

workbook::Sheet readStream(const QByteArray& bytes) {
    try {
        if (!looksLikeStream(bytes)) {
            biff::damaged(QStringLiteral("it does not begin with a BOF record"));
        }
        return biff::readWorksheet(bytes, 0, biff::WorkbookGlobals{});
    } catch (const AppError& error) {
        if (workbook::isRefusal(error)) {
            throw;
        }
        throw workbook::unreadable(workbook::Unreadable::Damaged);
    }
}

workbook::Sheet readWorkbookStream(QByteArrayView stream) {
    const biff::WorkbookGlobals globals = biff::readGlobals(stream);
    if (globals.firstSheetOffset >= quint32(stream.size())) {
        biff::damaged(QStringLiteral("its first worksheet lies past the end of the workbook"));
    }
    return biff::readWorksheet(stream, globals.firstSheetOffset, globals);
}

}  // namespace biffreader
