#pragma once

#include <QString>
#include <vector>

#include "invoicefiles/FileReading.h"

// The buyer and the seller of an invoice as its printed text names them.
namespace invoicefiles {

// From the lines of a page's text layer: each 名称： and 纳税人识别号： (also after
// 统一社会信用代码/) belongs to the 购买方 or 销售方 named before it on its line; without such a
// word, the first of each is the buyer's and the second the seller's, as both layouts print the
// buyer first (above, or to the left).
Parties partiesFromLines(const std::vector<QString>& lines);

}  // namespace invoicefiles
