#include "invoice/InvoiceKind.h"

namespace invoice {

QString kindName(const QString& code) {
    static const struct {
        const char* code;
        const char16_t* name;
    } kKinds[] = {
        {"01", u"增值税专用发票"},     {"04", u"增值税普通发票"}, {"08", u"增值税电子专用发票"},
        {"10", u"增值税电子普通发票"}, {"11", u"卷式发票"},       {"14", u"通行费发票"},
        {"31", u"数电专票"},           {"32", u"数电普票"},
    };
    for (const auto& kind : kKinds) {
        if (code == QLatin1String(kind.code)) {
            return QString::fromUtf16(kind.name);
        }
    }
    return code;
}

}  // namespace invoice
