#pragma once

#include <QString>

// An amount in Chinese capitals (大写), as a claim sheet and a cheque write it:
// 壹万贰仟叁佰肆拾伍元陆角柒分, 壹拾元壹角整, 壹拾万零壹元零壹分, 零元整.
namespace claims {

// units are ten-thousandths of a yuan (the store's amount), rounded half away from zero to the
// fen; an amount below zero starts with 负.
QString chineseCapitals(qint64 units);

}  // namespace claims
