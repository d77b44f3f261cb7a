#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "TestFiles.h"
#include "base/AppError.h"
#include "reimbursers/ReimburserFile.h"

namespace {

TEST(ReimburserFile, LineEndsOfEveryKindAndEmptyLinesSkipped) {
    QTemporaryDir dir;
    const QString path = dir.filePath("bxr.txt");
    // 张三 CR LF, empty, Bob CR, " Ann " LF, empty CR LF, 李四 without line end
    testfiles::writeBytes(path, "\xD5\xC5\xC8\xFD\r\n\r\nBob\r Ann \n\r\n\xC0\xEE\xCB\xC4");
    EXPECT_EQ(reimburserfile::load(path), (QStringList{"张三", "Bob", " Ann ", "李四"}));
    EXPECT_TRUE(reimburserfile::load(dir.filePath("missing.txt")).isEmpty());
}

TEST(ReimburserFile, AppendsGbkWithCrLf) {
    QTemporaryDir dir;
    const QString path = dir.filePath("bxr.txt");
    testfiles::writeBytes(path, "Bob\r\n");
    reimburserfile::append(path, "张三");
    reimburserfile::append(path, " x ");
    EXPECT_EQ(testfiles::readBytes(path), QByteArray("Bob\r\n\xD5\xC5\xC8\xFD\r\n x \r\n"));
    EXPECT_THROW(reimburserfile::append(dir.filePath("no/such/dir/bxr.txt"), "a"), AppError);
}

TEST(ReimburserFile, NameRules) {
    EXPECT_EQ(reimburserfile::nameProblem(""), "请输入报销人！");
    EXPECT_EQ(reimburserfile::nameProblem("张三李四"), "");  // 8 bytes
    EXPECT_EQ(reimburserfile::nameProblem("abcdefgh"), "");
    EXPECT_EQ(reimburserfile::nameProblem("张三李四a"), "最长输入8个字符！");  // 9 bytes
    EXPECT_EQ(reimburserfile::nameProblem("abcdefghi"), "最长输入8个字符！");
    EXPECT_EQ(reimburserfile::nameProblem("张😀"), "报销人含有无法保存的字符！");
    EXPECT_EQ(reimburserfile::nameProblem("a\nb"), "报销人含有无法保存的字符！");
    EXPECT_EQ(reimburserfile::nameProblem(" a "), "");
}

}  // namespace
