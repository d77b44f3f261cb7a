// fpbxdb: the administrator's program for a company's registry on a PostgreSQL server.
#include <unistd.h>

#include <QCoreApplication>
#include <QStringList>
#include <cstdio>

#include "fpbxdb/Migration.h"
#include "fpbxdb/RegistryCheck.h"
#include "fpbxdb/RegistryRules.h"
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
              "  fpbxdb migrate <fpbx.mdb> <税号> \"<连接>\"   "
              "把本机数据库的发票和操作记录复制到服务器\n"
              "  fpbxdb check <税号> \"<连接>\"                检查程序能否使用登记表\n"
              "  fpbxdb rules show <税号> \"<连接>\"           列出本公司的核销规则\n"
              "  fpbxdb rules set <税号> \"<连接>\" 规则=值 …  设置核销规则（值为空即关闭）\n"
              "规则：最长天数=90  最早开票日期=2024-01-01  金额上限=10000.00  "
              "红字发票=拒绝|提示  核对购买方=拒绝|提示\n"
              "<连接> 是 libpq 连接串，如 \"host=db1 dbname=fpbx user=fpbx_admin\"；"
              "密码请放在 ~/.pgpass 中。"));
    return 2;
}

int init(const QString& taxNumber, const QString& conninfo) {
    // Indexes over a registry of millions of rows take longer than a clerk's statement.
    PgConnection connection = PgConnection::open(conninfo, {}, PgWork::Bulk);
    registryschema::create(connection, taxNumber);
    print(stdout, QStringLiteral("登记表 %1 已就绪（%2）")
                      .arg(pgregistry::schemaName(taxNumber), pgconninfo::redacted(conninfo)));
    return 0;
}

int migrate(const QString& path, const QString& taxNumber, const QString& conninfo) {
    PgConnection connection = PgConnection::open(conninfo, {}, PgWork::Bulk);
    // A large store takes minutes: a line every tenth of the way, for whoever watches.
    qint64 told = isatty(fileno(stderr)) ? -1 : 10;
    const MigrationCount count =
        migrateSqliteStore(path, connection, taxNumber, [&told](qint64 done, qint64 total) {
            const qint64 tenth = total > 0 ? done * 10 / total : 10;
            if (told < 10 && tenth != told) {
                told = tenth;
                print(stderr, QStringLiteral("已处理 %1 / %2 张发票").arg(done).arg(total));
            }
        });
    print(stdout, QStringLiteral("复制 %1 条，跳过 %2 条（已在服务器上）")
                      .arg(count.copied)
                      .arg(count.skipped));
    print(stdout, QStringLiteral("操作记录复制 %1 条，跳过 %2 条（已在服务器上）")
                      .arg(count.trailCarried)
                      .arg(count.trailSkipped));
    if (count.claimsCarried + count.claimsSkipped > 0) {
        print(stdout, QStringLiteral("报销单复制 %1 张，跳过 %2 张（已在服务器上）")
                          .arg(count.claimsCarried)
                          .arg(count.claimsSkipped));
    }
    for (const auto& [was, now] : count.renumberedClaims) {
        print(stdout, QStringLiteral("报销单 %1 的单号在服务器上已被占用，改为 %2").arg(was, now));
    }
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

int showRules(PgConnection& connection) {
    const QList<QPair<QString, QString>> set = registryrules::read(connection);
    for (const auto& [key, value] : set) {
        print(stdout, key + u'=' + value);
    }
    if (set.isEmpty()) {
        print(stdout, QStringLiteral("未设置核销规则"));
    }
    return 0;
}

int rulesCommand(const QStringList& args) {
    const QString& taxNumber = args[2];
    PgConnection connection = PgConnection::open(args[3], pgregistry::schemaName(taxNumber));
    if (args[1] == QStringLiteral("show") && args.size() == 4) {
        return showRules(connection);
    }
    if (args[1] == QStringLiteral("set") && args.size() > 4) {
        const QStringList problems = registryrules::set(connection, args.mid(4));
        for (const QString& problem : problems) {
            print(stderr, problem);
        }
        if (!problems.isEmpty()) {
            return 2;
        }
        return showRules(connection);
    }
    return usage();
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
        if (command == QStringLiteral("rules") && args.size() >= 4) {
            return rulesCommand(args);
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
