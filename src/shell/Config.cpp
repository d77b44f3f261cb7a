#include "shell/Config.h"

#include "shell/Commonfun.h"
#include "shell/IniFile.h"
#include "shell/TextCodec.h"

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

QString readServer(const IniFile& ini) {
    return ini.readString(QStringLiteral("SERVER"), QStringLiteral("server"), {});
}

bool readSoundsOn(const IniFile& ini) {
    return ini.readString(kSoundSection, kSoundsOnKey, QStringLiteral("1")) != u'0';
}

void writeInstallationTemplate(IniFile& ini) {
    ini.writeString(kBasicSection, kTaxNumberKey, {});
    ini.writeString(kSoundSection, kSoundsOnKey, QStringLiteral("1"));
}

}  // namespace config
