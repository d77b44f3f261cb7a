#include "base/Config.h"

#include "base/DatabaseSettings.h"
#include "base/IniFile.h"
#include "base/Paths.h"
#include "base/TextCodec.h"

namespace config {

namespace {

const QString kBasicSection = QStringLiteral("基本信息");
const QString kTaxNumberKey = QStringLiteral("税号");
const QString kSoundSection = QStringLiteral("声音");
const QString kSoundsOnKey = QStringLiteral("开启");

}  // namespace

QString iniPath() {
    return joinPath(GetExeDir(), QStringLiteral("config.ini"));
}

QString readTaxNumber(const IniFile& ini) {
    QString taxNumber = ini.readString(kBasicSection, kTaxNumberKey, {});
    const qsizetype dot = taxNumber.indexOf(u'.');
    if (dot >= 0) {
        taxNumber.truncate(dot);
    }
    return taxNumber;
}

bool isUsableTaxNumber(const QString& taxNumber) {
    return textcodec::gbkLength(taxNumber) >= 15;
}

QString readUpdateUrlWritingDefault(IniFile& ini) {
    const QString value = ini.readString(QStringLiteral("SERVER"), QStringLiteral("updateUrl"),
                                         unconfiguredUpdateUrl());
    if (value == unconfiguredUpdateUrl() || value.isEmpty()) {
        ini.writeString(QStringLiteral("SERVER"), QStringLiteral("updateUrl"),
                        defaultUpdateBaseUrl());
    }
    return value;
}

QString readVersionWritingBack(IniFile& ini) {
    const QString value =
        ini.readString(QStringLiteral("版本信息"), QStringLiteral("Version"), defaultVersion());
    ini.writeString(QStringLiteral("版本信息"), QStringLiteral("Version"), value);
    return value;
}

QString readCompanyName(const IniFile& ini) {
    return ini.readString(QStringLiteral("基本信息"), QStringLiteral("单位名称"), {}).trimmed();
}

bool readFileBatchClaim(const IniFile& ini) {
    return ini.readString(QStringLiteral("报销单"), QStringLiteral("发票文件新建报销单"), {})
               .trimmed() == QStringLiteral("1");
}

void writeFileBatchClaim(IniFile& ini, bool on) {
    ini.writeString(QStringLiteral("报销单"), QStringLiteral("发票文件新建报销单"),
                    on ? QStringLiteral("1") : QStringLiteral("0"));
}

QString readServer(const IniFile& ini) {
    return ini.readString(QStringLiteral("SERVER"), QStringLiteral("server"), {});
}

DatabaseSettings readDatabaseSettings(const IniFile& ini) {
    const QString section = QStringLiteral("数据库");
    DatabaseSettings settings;
    settings.engineText = ini.readString(section, QStringLiteral("类型"), {});
    settings.connection = ini.readString(section, QStringLiteral("连接"), {});
    const QString engine = settings.engineText.trimmed();
    if (engine.isEmpty() || engine.compare(QStringLiteral("sqlite"), Qt::CaseInsensitive) == 0) {
        settings.engine = DatabaseSettings::Engine::Sqlite;
    } else if (engine.compare(QStringLiteral("postgresql"), Qt::CaseInsensitive) == 0) {
        settings.engine = DatabaseSettings::Engine::Postgresql;
    } else {
        // Never the local file instead: a clerk would keep a registry of his own, and the
        // invoices recorded at the other desks could be reimbursed again at his.
        settings.engine = DatabaseSettings::Engine::Unknown;
    }
    return settings;
}

bool readSoundsOn(const IniFile& ini) {
    return ini.readString(kSoundSection, kSoundsOnKey, QStringLiteral("1")) != u'0';
}

void writeInstallationTemplate(IniFile& ini) {
    ini.writeString(kBasicSection, kTaxNumberKey, {});
    ini.writeString(kSoundSection, kSoundsOnKey, QStringLiteral("1"));
}

}  // namespace config
