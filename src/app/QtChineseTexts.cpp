#include "app/QtChineseTexts.h"

#include <QCoreApplication>
#include <QLibraryInfo>

QtChineseTexts::QtChineseTexts() {
    // qt_zh_CN is the catalogue that brings in qtbase_zh_CN and the other modules' texts.
    loaded_ = translator_.load(QStringLiteral("qt_zh_CN"),
                               QLibraryInfo::path(QLibraryInfo::TranslationsPath)) &&
              QCoreApplication::installTranslator(&translator_);
}

QtChineseTexts::~QtChineseTexts() {
    if (loaded_) {
        QCoreApplication::removeTranslator(&translator_);
    }
}
