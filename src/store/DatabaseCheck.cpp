#include "store/DatabaseCheck.h"

#include <sqlite3.h>

#include <QFileInfo>

#include "store/Database.h"
#include "store/SqliteErrors.h"

namespace databasecheck {

std::optional<StoreError> problemWith(const QString& path) {
    StoreError problem;
    problem.path = path;
    if (!QFileInfo(path).isFile()) {
        problem.kind = StoreError::Kind::Missing;
        return problem;
    }
    try {
        Database db = Database::open(QStringLiteral("Data Source=%1;Mode=Read;").arg(path));
        Statement count = db.prepare(QStringLiteral("select 数量 from 发票报销_数量"));
        count.step();
        return std::nullopt;
    } catch (const AppError& error) {
        problem = sqliteerrors::fromError(error);
        problem.path = path;
        // A database without the invoice table is no invoice database.
        if (const auto* engine = dynamic_cast<const DatabaseError*>(&error);
            engine != nullptr && (engine->code() & 0xFF) == SQLITE_ERROR) {
            problem.kind = StoreError::Kind::Corrupt;
        }
    }
    return problem;
}

QString startupText(const StoreError& problem, const QString& newestCopy) {
    QString text;
    switch (problem.kind) {
        case StoreError::Kind::Missing:
            text = QStringLiteral("数据库文件不存在：%1").arg(problem.path);
            break;
        case StoreError::Kind::Corrupt:
            text = QStringLiteral("数据库文件已损坏：%1").arg(problem.path);
            break;
        default:
            text = QStringLiteral("数据库文件无法读取：%1").arg(problem.path);
            break;
    }
    text += newestCopy.isEmpty()
                ? QStringLiteral("\n没有找到数据库的备份。发票在数据库恢复之前无法登记。")
                : QStringLiteral("\n最近的备份：%1\n请关闭程序，将该备份复制为 %2 后重新启动。")
                      .arg(newestCopy, problem.path);
    if (!problem.detail.isEmpty()) {
        text += QStringLiteral("\n\n") + problem.detail;
    }
    return text;
}

}  // namespace databasecheck
