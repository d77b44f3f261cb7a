#pragma once

#include <QTranslator>

// Qt's own texts (message-box buttons, file dialogs, the input box) in Chinese, whatever the
// desktop's language: the office reads Chinese. Installed on the application while the object
// lives.
class QtChineseTexts {
public:
    QtChineseTexts();
    ~QtChineseTexts();
    QtChineseTexts(const QtChineseTexts&) = delete;
    QtChineseTexts& operator=(const QtChineseTexts&) = delete;

    // False when Qt's translations are not installed: Qt's texts then stay English.
    bool loaded() const { return loaded_; }

private:
    QTranslator translator_;
    bool loaded_ = false;
};
