#include "app/StartingIndication.h"

#include <QPainter>

#include "mainwindow/SystemColours.h"

namespace {

const QSize kSize(300, 100);
const int kMessageHeight = 34;

// The main window's logo on its green, over a white line for the message.
QPixmap background() {
    QPixmap pixmap(kSize);
    pixmap.fill(colours::white());
    QPainter painter(&pixmap);
    const QRect band(0, 0, kSize.width(), kSize.height() - kMessageHeight);
    painter.fillRect(band, colours::brandGreen());
    const QPixmap logo(QStringLiteral(":/mainwindow/logo.png"));
    painter.drawPixmap(band.center() - logo.rect().center(), logo);
    return pixmap;
}

}  // namespace

StartingIndication::StartingIndication() : QSplashScreen(background()) {
    const QString text = QStringLiteral("正在检查更新…");
    setWindowTitle(text);
    QFont font(QStringLiteral("微软雅黑"));
    font.setPixelSize(14);
    setFont(font);
    showMessage(text, Qt::AlignBottom | Qt::AlignHCenter, colours::darkShadow3D());
}
