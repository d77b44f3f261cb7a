#include "rules/OfficeRules.h"

#include <QMutex>

#include "base/Config.h"
#include "base/DailyLog.h"
#include "base/DatabaseSettings.h"
#include "base/IniFile.h"
#include "base/Paths.h"
#include "store/InvoiceStore.h"

namespace rules {

namespace {

struct Cache {
    QString key;  // which exe directory, company and registry they were read for
    std::optional<Parsed> local;
    std::optional<Settings> combined;
    QStringList problems;
};

QMutex mutex;
Cache cache;

QString cacheKey() {
    const DatabaseSettings db = currentDatabaseSettings();
    return QStringList{config::iniPath(), TaxNumber(), db.engineText, db.connection}.join(u'\n');
}

Parsed readConfigIni() {
    const IniFile ini(config::iniPath());
    const QString section = QString::fromUtf16(kSection);
    return parse([&](const QString& key) { return ini.readString(section, key, {}); });
}

void logRules(const Settings& local, const std::optional<Settings>& registry,
              const Settings& combined, const QStringList& problems) {
    QStringList lines;
    if (local.anySet()) {
        lines << QStringLiteral("核销规则（config.ini）：") + listedText(local);
    }
    if (registry && registry->anySet()) {
        lines << QStringLiteral("核销规则（登记库）：") + listedText(*registry);
    }
    if (!lines.isEmpty()) {
        lines << QStringLiteral("核销规则生效：") + listedText(combined);
    }
    for (const QString& problem : problems) {
        lines << QStringLiteral("核销规则设置无效，未生效：") + problem;
    }
    if (!lines.isEmpty()) {
        WriteLogLines(GetExeDir(), lines);
    }
}

}  // namespace

InForce inForce(InvoiceStore& store) {
    QMutexLocker lock(&mutex);
    const QString key = cacheKey();
    if (cache.key != key) {
        cache = Cache{key, {}, {}, {}};
    }
    if (!cache.local) {
        cache.local = readConfigIni();
        for (const QString& problem : cache.local->problems) {
            cache.problems << QStringLiteral("config.ini ") + problem;
        }
    }
    InForce result;
    if (!cache.combined) {
        const RegistryRules kept = store.registryRules();
        if (!kept.ok) {
            result.error = kept.error;
            result.problems = cache.problems;
            return result;
        }
        std::optional<Settings> registry;
        if (kept.kept) {
            const Parsed parsed = parse([&](const QString& name) {
                for (const auto& [k, value] : kept.values) {
                    if (k == name) {
                        return value;
                    }
                }
                return QString();
            });
            registry = parsed.settings;
            for (const QString& problem : parsed.problems) {
                cache.problems << QStringLiteral("登记库 ") + problem;
            }
        }
        cache.combined =
            registry ? strictest(*registry, cache.local->settings) : cache.local->settings;
        logRules(cache.local->settings, registry, *cache.combined, cache.problems);
    }
    result.settings = cache.combined;
    result.problems = cache.problems;
    return result;
}

}  // namespace rules
