#pragma once

// The two engines the typed store suites run on: the embedded store in the exe directory's
// company folder, and a registry of the test's own on the test run's server.
#include <QList>
#include <QString>
#include <optional>
#include <type_traits>

#include "PgTestServer.h"
#include "TempExeDir.h"
#include "base/DatabaseSettings.h"
#include "base/Paths.h"
#include "store/Database.h"
#include "store/DatabaseFile.h"
#include "store/PgConnection.h"

namespace {

// A stored row as the tests compare it: the amount in ten-thousandths, the time as
// yyyy-MM-dd HH:mm:ss, whatever the engine keeps them as.
struct Row {
    QString code, number, amount, date, check, time, reimburser;
    qint64 mode = -1;
    bool amountNull = false;
};

const char kColumns[] =
    "发票代码, 发票号码, %1, 开票日期, 校验码, %2, 报销方式, 报销人 from 发票报销 ";

// The embedded store in the exe directory's company folder.
struct SqliteEngine {
    static constexpr bool kNeedsServer = false;
    static TempExeDir::Options exeDir() { return {}; }
    void use() {}
    static QList<Row> rows() {
        Database db = Database::open(GetConnectionString());
        Statement s = db.prepare(QStringLiteral("select ") +
                                 QString::fromUtf8(kColumns).arg("开票金额", "报销时间") +
                                 QStringLiteral("order by rowid"));
        QList<Row> result;
        while (s.step()) {
            Row r{s.text(0), s.text(1), s.text(2), s.text(3), s.text(4), s.text(5), s.text(7)};
            r.mode = s.int64(6);
            r.amountNull = s.isNull(2);
            result << r;
        }
        return result;
    }
};

// A registry of the test's own on the test run's server.
struct PgEngine {
    static constexpr bool kNeedsServer = true;
    static TempExeDir::Options exeDir() {
        TempExeDir::Options options;
        options.taxNumber = pgtest::uniqueTaxNumber();
        return options;
    }
    std::optional<pgtest::Registry> registry;
    void use() {
        registry.emplace(*pgtest::conninfo(), TaxNumber());
        setDatabaseSettings(
            {DatabaseSettings::Engine::Postgresql, "postgresql", *pgtest::conninfo()});
    }
    QList<Row> rows() const {
        PgConnection db = PgConnection::open(registry->conninfo(), registry->schema());
        const PgResult s =
            db.exec(QStringLiteral("select ") +
                    QString::fromUtf8(kColumns).arg("(开票金额 * 10000)::bigint",
                                                    "to_char(报销时间, 'YYYY-MM-DD HH24:MI:SS')") +
                    QStringLiteral("order by 序号"));
        QList<Row> result;
        for (int i = 0; i < s.rows(); ++i) {
            Row r{s.text(i, 0), s.text(i, 1), s.text(i, 2), s.text(i, 3),
                  s.text(i, 4), s.text(i, 5), s.text(i, 7)};
            r.mode = s.int64(i, 6);
            r.amountNull = s.isNull(i, 2);
            result << r;
        }
        return result;
    }
};

struct EngineNames {
    template <class Engine>
    static std::string GetName(int) {
        return std::is_same_v<Engine, SqliteEngine> ? "Sqlite" : "Postgresql";
    }
};
using Engines = ::testing::Types<SqliteEngine, PgEngine>;

}  // namespace
