#include "PgBenchServer.h"

#include <QProcess>

#include "store/PgConnection.h"

namespace bench {

namespace {
int script(const QStringList& arguments, QString* output = nullptr) {
    QProcess process;
    process.start(QStringLiteral("bash"),
                  QStringList{QStringLiteral(FPBX_SOURCE_DIR "/scripts/pgserver.sh")} + arguments);
    process.waitForFinished(180000);
    if (output != nullptr) {
        *output = QString::fromUtf8(process.readAllStandardOutput()).trimmed();
    }
    return process.exitCode();
}
}  // namespace

PgServer::PgServer(Way way) {
    QStringList arguments{QStringLiteral("start"), state_.path(), QStringLiteral("--durable")};
    if (way == Way::Loopback) {
        arguments << QStringLiteral("--loopback");
    }
    QString output;
    if (script(arguments, &output) == 0) {
        conninfo_ = output;
    }
}

PgServer::~PgServer() {
    script({QStringLiteral("stop"), state_.path()});
}

void fillRegistry(PgConnection& db, qint64 rows, qint64 secondsApart) {
    db.exec(QStringLiteral(
                "insert into 发票报销 (发票号码, 发票代码, 报销时间, 报销方式, 校验码, 开票日期, "
                "开票金额, 报销人) select (10000000 + i)::text, '044031900111', "
                "now()::timestamp(0) - make_interval(secs => ($1 - i) * $2), i % 3, "
                "'12345678901234567890', to_char(now() - make_interval(secs => ($1 - i) * $2), "
                "'YYYYMMDD'), 100 + (i % 997) / 10000.0, (array['张三','李四','王五','财务部',"
                "'Alice'])[1 + i % 5] from generate_series(0, $1 - 1) as i"),
            PgParams().int64(rows).int64(secondsApart));
    settleRegistry(db);
}

void settleRegistry(PgConnection& db) {
    db.exec(QStringLiteral("vacuum analyze 发票报销"));
    db.exec(QStringLiteral("vacuum analyze 发票报销_记录"));
    db.exec(QStringLiteral("checkpoint"));
}

}  // namespace bench
