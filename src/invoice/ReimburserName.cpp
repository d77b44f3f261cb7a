#include "invoice/ReimburserName.h"

#include "base/TextCodec.h"

namespace reimbursername {

bool isTooLong(const QString& name) {
    return textcodec::gbkLength(name) > kMaxBytes;
}

QString tooLongMessage() {
    return QStringLiteral("最长输入%1个字符！").arg(kMaxBytes);
}

}  // namespace reimbursername
