#pragma once

#include <QString>

#include "base/AppError.h"

// Why a workbook cannot be read, in the words every reader uses.
namespace workbook {

// A reader's refusal of a workbook, saying why: "无法读取该Excel表：" and the reason.
AppError unreadable(const QString& reason);

// The reasons more than one reader gives.
enum class Unreadable {
    Damaged,      // 文件不完整或已损坏。
    Encrypted,    // 文件已加密，请先取消密码保护。
    NoWorkbook,   // 文件中没有Excel工作簿。
    NoSheet,      // 工作簿中没有工作表。
    TooLarge,     // 文件解压后过大，可能已损坏。
    OutOfMemory,  // 内存不足。
    Missing,      // 文件不存在。
    CannotOpen,   // 文件无法打开，请检查是否有读取权限。
};
AppError unreadable(Unreadable reason);
// Whether an error is such a refusal already.
bool isRefusal(const AppError& error);

}  // namespace workbook
