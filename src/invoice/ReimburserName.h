#pragma once

#include <QString>

// The limit on a reimburser's name, wherever one is entered: 8 bytes of GBK text (4 Chinese
// characters or 8 letters).
namespace reimbursername {

inline constexpr int kMaxBytes = 8;

bool isTooLong(const QString& name);
QString tooLongMessage();  // "最长输入8个字符！"

}  // namespace reimbursername
