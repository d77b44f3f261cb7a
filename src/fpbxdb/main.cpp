// fpbxdb: the administrator's program for a company's registry on a PostgreSQL server.
#include <QCoreApplication>
#include <QStringList>
#include <cstdio>

#include "fpbxdb/Migration.h"
#include "fpbxdb/RegistryCheck.h"
#include "fpbxdb/RegistrySchema.h"
#include "store/PgConnection.h"
#include "store/PgConnectionInfo.h"
#include "store/PgRegistryName.h"

namespace {

void print(FILE* stream, const QString& line) {
    std::fputs((line + u'\n').toUtf8().constData(), stream);
}

int usage() {
    print(stderr,
          QStringLiteral(
              "用法:\n"
              "  fpbxdb init <税号> \"<连接>\"                 创建本公司的登记表（可重复运行）\n"
              "  fpbxdb migrate <fpbx.mdb> <税号> \"<连接>\"   把本机数据库的发票复制到服务器\n"
              "  fpbxdb check <税号> \"<连接>\"                检查程序能否使用登记表\n"
              "<连接> 是 libpq 连接串，如 \"host=db1 dbname=fpbx user=fpbx_admin\"；"
              "密码请放在 ~/.pgpass 中。"));
    return 2;
}

int init(const QString& taxNumber, const QString& conninfo) {
    PgConnection connection = PgConnection::open(conninfo);
    registryschema::create(connection, taxNumber);
    print(stdout, QStringLiteral("登记表 %1 已就绪（%2）")
                      .arg(pgregistry::schemaName(taxNumber), pgconninfo::redacted(conninfo)));
    return 0;
}

int migrate(const QString& path, const QString& taxNumber, const QString& conninfo) {
    PgConnection connection = PgConnection::open(conninfo);
    const MigrationCount count = migrateSqliteStore(path, connection, taxNumber);
    print(stdout, QStringLiteral("复制 %1 条，跳过 %2 条（已在服务器上）")
                      .arg(count.copied)
                      .arg(count.skipped));
    return 0;
}

int check(const QString& taxNumber, const QString& conninfo) {
    const RegistryCheck result = checkRegistry(conninfo, taxNumber);
    for (const QString& line : result.passed) {
        print(stdout, QStringLiteral("通过  ") + line);
    }
    for (const QString& line : result.warnings) {
        print(stdout, QStringLiteral("提醒  ") + line);
    }
    for (const QString& line : result.problems) {
        print(stdout, QStringLiteral("问题  ") + line);
    }
    print(stdout, result.usable() ? QStringLiteral("程序可以使用此登记表")
                                  : QStringLiteral("程序不能使用此登记表"));
    return result.usable() ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments().mid(1);
    const QString command = args.value(0);
    try {
        if (command == QStringLiteral("init") && args.size() == 3) {
            return init(args[1], args[2]);
        }
        if (command == QStringLiteral("migrate") && args.size() == 4) {
            return migrate(args[1], args[2], args[3]);
        }
        if (command == QStringLiteral("check") && args.size() == 3) {
            return check(args[1], args[2]);
        }
    } catch (const PgError& error) {
        print(stderr, error.toStoreError().detail);
        return 1;
    } catch (const AppError& error) {
        print(stderr, error.message());
        return 1;
    }
    return usage();
}
