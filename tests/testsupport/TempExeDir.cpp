#include "TempExeDir.h"

#include <QDir>
#include <QFile>

#include "base/Clock.h"
#include "base/DatabaseSettings.h"
#include "base/Paths.h"

TempExeDir::TempExeDir() : TempExeDir(Options{}) {}

TempExeDir::TempExeDir(const Options& options)
    : dir_(options.parent.isEmpty() ? QDir::tempPath() + QStringLiteral("/fpbx-XXXXXX")
                                    : options.parent + QStringLiteral("/fpbx-XXXXXX")),
      taxNumber_(options.taxNumber) {
    QDir().mkpath(file(QStringLiteral("database")));
    QFile::copy(QStringLiteral(FPBX_TEMPLATE_DB), file(QStringLiteral("database/fpbx.mdb")));
    if (options.configIni) {
        QFile ini(file(QStringLiteral("config.ini")));
        ini.open(QIODevice::WriteOnly);
        ini.write("[\xBB\xF9\xB1\xBE\xD0\xC5\xCF\xA2]\r\n");  // [基本信息] in GBK
        ini.write("\xCB\xB0\xBA\xC5=" + options.taxNumber.toLatin1() + "\r\n");  // 税号=
    }
    if (options.companyDir) {
        QDir().mkpath(companyDir());
        QFile::copy(QStringLiteral(FPBX_TEMPLATE_DB), databasePath());
        QFile::setPermissions(databasePath(), QFile::ReadOwner | QFile::WriteOwner);
        QFile(joinPath(companyDir(), QStringLiteral("bxr.txt"))).open(QIODevice::WriteOnly);
    }
    setExeDirOverride(path());
    setTaxNumber(taxNumber_);
    setDatabaseSettings({});
}

TempExeDir::~TempExeDir() {
    setExeDirOverride(QString());
    setTaxNumber(QString());
    setDatabaseSettings({});
}

QString TempExeDir::file(const QString& relative) const {
    return joinPath(path(), relative);
}

QString TempExeDir::companyDir() const {
    return file(taxNumber_);
}

QString TempExeDir::databasePath() const {
    return joinPath(companyDir(), QStringLiteral("fpbx.mdb"));
}

QString TempExeDir::logPath() const {
    return file(QStringLiteral("log/") + appclock::now().toString(QStringLiteral("yyyyMMdd")) +
                QStringLiteral(".log"));
}
