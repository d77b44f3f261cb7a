#include <QApplication>
#include <QLabel>

#include "shell/Commonfun.h"
#include "shell/Config.h"
#include "shell/IniFile.h"
#include "store/InvoiceStore.h"
#include "ui/QtPrompts.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QtPrompts prompts;
    appprompts::install(&prompts);
    setExeDir(GetExeDir());
    setTaxNumber(config::readTaxNumber(IniFile(config::iniPath())));
    QLabel label(QStringLiteral("已记录 %1 张").arg(CountInvoices()));
    label.show();
    return app.exec();
}
