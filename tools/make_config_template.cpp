// Writes the config.ini a new installation starts from (GBK, as the program reads it):
//   make_config_template <path>
#include <QFile>
#include <cstdio>

#include "base/AppError.h"
#include "base/Config.h"
#include "base/IniFile.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_config_template <path>\n");
        return 2;
    }
    const QString path = QString::fromLocal8Bit(argv[1]);
    QFile::remove(path);
    try {
        IniFile ini(path);
        config::writeInstallationTemplate(ini);
    } catch (const AppError& error) {
        std::fprintf(stderr, "make_config_template: %s\n", error.what());
        return 1;
    }
    return 0;
}
