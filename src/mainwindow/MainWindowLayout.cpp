// The main window's controls at their design bounds, with their fonts and colours.
#include <QComboBox>
#include <QDateEdit>
#include <QGuiApplication>
#include <QLineEdit>
#include <QRegularExpressionValidator>
#include <QScreen>
#include <QTimer>

#include "base/LocaleFormats.h"
#include "base/Paths.h"
#include "invoice/InvoiceIdentity.h"
#include "mainwindow/ClaimPanel.h"
#include "mainwindow/ClickableLabel.h"
#include "mainwindow/CountLabel.h"
#include "mainwindow/InvoiceFaceView.h"
#include "mainwindow/MainWindow.h"
#include "mainwindow/SystemColours.h"
#include "scanner/ScanField.h"

namespace {

constexpr int kWidth = 567;
constexpr int kHeight = 328;
constexpr int kTopHeight = 63;
constexpr int kBottomHeight = 41;
constexpr int kTileWidth = 115;
constexpr int kTileHeight = 61;

// The scan panel's number line and message at their design bounds, and moved up while an
// invoice's face is shown below them, above the reimburser's row (at 186).
const QRect kScanNumberBounds(149, 71, 257, 33);
const QRect kScanMessageBounds(148, 92, 256, 65);
const QRect kScanNumberWithFace(149, 50, 257, 26);
const QRect kScanMessageWithFace(148, 74, 256, 50);
const QRect kScanNoteBounds(10, 124, 547, 17);
const QRect kScanFaceBounds(10, 141, 547, 3 * InvoiceFaceView::kRowHeight);
// The manual panel: the face between the edits and the button, the note under the outcome.
const QRect kManualFaceBounds(10, 135, 547, InvoiceFaceView::kRowHeight);
const QRect kManualNoteBounds(10, 206, 547, 17);

QFont yaHei(int px, bool bold = false, bool underline = false) {
    QFont font;
    // The Windows face first; on Linux the CJK face of the desktop stands in.
    font.setFamilies({QStringLiteral("微软雅黑"), QStringLiteral("Microsoft YaHei"),
                      QStringLiteral("WenQuanYi Micro Hei")});
    font.setPixelSize(px);
    font.setBold(bold);
    font.setUnderline(underline);
    return font;
}

QFont sansSerif(int px) {
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setPixelSize(px);
    return font;
}

void setTextColour(QWidget* widget, const QColor& colour) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, colour);
    widget->setPalette(palette);
}

QWidget* panel(QWidget* parent, const QRect& bounds, const QColor& colour) {
    auto* p = new QWidget(parent);
    p->setGeometry(bounds);
    p->setAutoFillBackground(true);
    QPalette palette = p->palette();
    palette.setColor(QPalette::Window, colour);
    p->setPalette(palette);
    return p;
}

template <typename Label = QLabel>
Label* label(QWidget* parent, const QRect& bounds, const QString& text, const QFont& font,
             Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignTop) {
    auto* l = new Label(text, parent);
    l->setGeometry(bounds);
    l->setFont(font);
    l->setAlignment(alignment);
    return l;
}

ClickableLabel* picture(QWidget* parent, const QRect& bounds, const QString& resource) {
    auto* l = new ClickableLabel(parent);
    l->setGeometry(bounds);
    l->setPixmap(QPixmap(QStringLiteral(":/mainwindow/") + resource));
    return l;
}

ClickableLabel* link(QWidget* parent, const QRect& bounds, const QString& text, const QColor& c) {
    auto* l = label<ClickableLabel>(parent, bounds, text, yaHei(13, false, true));
    setTextColour(l, c);
    l->setCursor(Qt::PointingHandCursor);
    return l;
}

// "已记录 <count> 张" of either panel.
void countRow(QWidget* parent, QLabel*& before, QLabel*& count, QLabel*& after) {
    before = label(parent, {22, 29, 51, 18}, QStringLiteral("已记录"), yaHei(13));
    count = label<CountLabel>(parent, {69, 13, 105, 37}, QString(), yaHei(32, true),
                              Qt::AlignHCenter | Qt::AlignTop);
    setTextColour(count, colours::brandGreen());
    after = label(parent, {182, 29, 32, 18}, QStringLiteral("张"), yaHei(13));
}

}  // namespace

void MainWindow::buildLayout() {
    setWindowTitle(QStringLiteral("电子发票核销"));
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    setFixedSize(kWidth, kHeight);
    setFont(sansSerif(11));
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        move(screen->availableGeometry().center() - QPoint(kWidth / 2, kHeight / 2));
    }

    Panel_top = panel(this, {0, 0, kWidth, kTopHeight}, colours::brandGreen());
    Image_logo = picture(Panel_top, {1, 1, 240, kTileHeight}, QStringLiteral("logo.png"));
    const int manualX = kWidth - 1 - kTileWidth;
    const int scanX = manualX - kTileWidth;
    Image_sm1 = picture(Panel_top, {scanX, 1, kTileWidth, kTileHeight},
                        QStringLiteral("scan_tile_current.png"));
    Image_sm =
        picture(Panel_top, {scanX, 1, kTileWidth, kTileHeight}, QStringLiteral("scan_tile.png"));
    Image_sx1 = picture(Panel_top, {manualX, 1, kTileWidth, kTileHeight},
                        QStringLiteral("manual_tile_current.png"));
    Image_sx = picture(Panel_top, {manualX, 1, kTileWidth, kTileHeight},
                       QStringLiteral("manual_tile.png"));
    Image_sm->setCursor(Qt::PointingHandCursor);
    Image_sx->setCursor(Qt::PointingHandCursor);

    Panel_bottom =
        panel(this, {0, kHeight - kBottomHeight, kWidth, kBottomHeight}, colours::white());
    Label_result =
        link(Panel_bottom, {495, 12, 67, 19}, QStringLiteral("报销记录"), colours::menuHighlight());
    Label_files = link(Panel_bottom, {385, 12, 96, 19}, QStringLiteral("导入发票文件"),
                       colours::menuHighlight());
    Label_files->setToolTip(QStringLiteral("读取PDF或OFD电子发票文件并报销；也可把文件拖到窗口上"));
    claimPanel_ = new ClaimPanel(nullptr, CompanyDir(), Panel_bottom);
    claimPanel_->setGeometry(10, 1, 352, 39);

    const QRect centre(0, kTopHeight, kWidth, kHeight - kTopHeight - kBottomHeight);
    Panel_center1 = panel(this, centre, colours::white());
    countRow(Panel_center1, Label1, Label_num, Label2);
    Label_smq = label(Panel_center1, {430, 32, 120, 13}, QStringLiteral("请连接扫描枪！"),
                      yaHei(11), Qt::AlignHCenter | Qt::AlignTop);
    setTextColour(Label_smq, colours::red());
    Label_fphm_sm = label(Panel_center1, {149, 71, 257, 33}, QString(), yaHei(20),
                          Qt::AlignHCenter | Qt::AlignTop);
    setTextColour(Label_fphm_sm, colours::darkShadow3D());
    Label_msg = label(Panel_center1, kScanMessageBounds, QStringLiteral("等待扫描"),
                      yaHei(40, true), Qt::AlignCenter);
    setTextColour(Label_msg, colours::darkShadow3D());
    scanNumberBounds_ = kScanNumberBounds;
    Label_note_sm = label(Panel_center1, kScanNoteBounds, QString(), yaHei(12),
                          Qt::AlignHCenter | Qt::AlignVCenter);
    Label_note_sm->setObjectName(QStringLiteral("Label_note_sm"));
    Label_note_sm->hide();
    Panel_face_sm = new InvoiceFaceView(3, yaHei(12), Panel_center1);
    Panel_face_sm->setObjectName(QStringLiteral("Panel_face_sm"));
    Panel_face_sm->setGeometry(kScanFaceBounds);
    setTextColour(Panel_face_sm, colours::darkShadow3D());
    Panel_face_sm->hide();
    Label5 = label(Panel_center1, {189, 187, 51, 16}, QStringLiteral("报销人："), yaHei(13));
    setTextColour(Label5, colours::red());
    ComboBox1 = new QComboBox(Panel_center1);
    ComboBox1->setGeometry(240, 186, 96, 21);
    ComboBox1->setFont(sansSerif(12));
    Label6 =
        link(Panel_center1, {337, 187, 59, 18}, QStringLiteral("点击添加"), colours::highlight());
    DataEdit = new ScanField(Panel_center1);
    DataEdit->setGeometry(456, 184, 96, 34);
    DataEdit->hide();

    Panel_center2 = panel(this, centre, colours::white());
    countRow(Panel_center2, Label4, Label_num1, Label3);
    Label_fpdm = label(Panel_center2, {35, 71, 75, 19}, QStringLiteral("* 发票代码："), font());
    Edit_fpdm = new QLineEdit(Panel_center2);
    Edit_fpdm->setGeometry(112, 71, 115, 21);
    Edit_fpdm->setMaxLength(invoice::kCodeMaxLength);
    Label_fphm = label(Panel_center2, {35, 111, 75, 19}, QStringLiteral("* 发票号码："), font());
    Edit_fphm = new QLineEdit(Panel_center2);
    Edit_fphm->setGeometry(112, 111, 115, 21);
    Edit_fphm->setMaxLength(invoice::kDigitalNumberLength);
    auto* digitsOnly =
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), this);
    for (QLineEdit* edit : {Edit_fpdm, Edit_fphm}) {
        // Digits only: typed keys pass the key filter; text that comes in any other way (the
        // X selection's middle-click paste, a composition) must be digits as a whole, or it is
        // refused by the validator.
        edit->setValidator(digitsOnly);
        edit->setAttribute(Qt::WA_InputMethodEnabled, false);
        edit->setContextMenuPolicy(Qt::NoContextMenu);
        edit->setAcceptDrops(false);
    }
    Label_bxr = label(Panel_center2, {304, 71, 70, 19}, QStringLiteral("报销人："), font(),
                      Qt::AlignRight | Qt::AlignTop);
    ComboBox2 = new QComboBox(Panel_center2);
    ComboBox2->setGeometry(384, 71, 96, 21);
    ComboBox2->setFont(sansSerif(12));
    Label7 =
        link(Panel_center2, {482, 72, 59, 18}, QStringLiteral("点击添加"), colours::highlight());
    Label_bxrq = label(Panel_center2, {304, 111, 70, 19}, QStringLiteral("开票日期："), font(),
                       Qt::AlignRight | Qt::AlignTop);
    Date_kprq = new QDateEdit(Panel_center2);
    Date_kprq->setGeometry(384, 111, 94, 21);
    Date_kprq->setDisplayFormat(QString::fromLatin1(localefmt::kShortDate));
    Date_kprq->setCalendarPopup(true);
    Image_jc = picture(Panel_center2, {233, 152, 98, 30}, QStringLiteral("check_button.png"));
    Image_jc->setCursor(Qt::PointingHandCursor);
    Label_msg1 = label(Panel_center2, {105, 188, 345, 19}, QString(), yaHei(11),
                       Qt::AlignHCenter | Qt::AlignTop);
    setTextColour(Label_msg1, colours::red());
    Label_note_sx = label(Panel_center2, kManualNoteBounds, QString(), yaHei(12),
                          Qt::AlignHCenter | Qt::AlignVCenter);
    Label_note_sx->setObjectName(QStringLiteral("Label_note_sx"));
    Panel_face_sx = new InvoiceFaceView(3, yaHei(12), Panel_center2);
    Panel_face_sx->setObjectName(QStringLiteral("Panel_face_sx"));
    Panel_face_sx->setGeometry(kManualFaceBounds);
    setTextColour(Panel_face_sx, colours::darkShadow3D());
    Panel_center2->hide();

    Timer1 = new QTimer(this);
    Timer1->setInterval(1000);
}

void MainWindow::setScanFaceShown(bool shown) {
    scanNumberBounds_ = shown ? kScanNumberWithFace : kScanNumberBounds;
    Label_fphm_sm->setGeometry(scanNumberBounds_);
    Label_msg->setGeometry(shown ? kScanMessageWithFace : kScanMessageBounds);
    Label_note_sm->setVisible(shown);
    Panel_face_sm->setVisible(shown);
}
