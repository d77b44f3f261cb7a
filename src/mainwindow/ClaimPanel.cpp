#include "mainwindow/ClaimPanel.h"

#include <QLabel>

#include "base/Paths.h"
#include "claimsheet/KeptSheet.h"
#include "invoice/Amount.h"
#include "mainwindow/ClickableLabel.h"
#include "mainwindow/SystemColours.h"
#include "prompts/Prompts.h"
#include "scanner/KeyboardCapture.h"

namespace {

const QString kOpenFailed = QStringLiteral("报销单未能新建");

QFont panelFont(int px, bool bold = false, bool underline = false) {
    QFont font;
    font.setFamilies({QStringLiteral("微软雅黑"), QStringLiteral("Microsoft YaHei"),
                      QStringLiteral("WenQuanYi Micro Hei")});
    font.setPixelSize(px);
    font.setBold(bold);
    font.setUnderline(underline);
    return font;
}

ClickableLabel* link(QWidget* parent, const QRect& bounds, const QString& text,
                     const QString& name) {
    auto* l = new ClickableLabel(text, parent);
    l->setObjectName(name);
    l->setGeometry(bounds);
    l->setFont(panelFont(13, false, true));
    QPalette palette = l->palette();
    palette.setColor(QPalette::WindowText, colours::menuHighlight());
    l->setPalette(palette);
    l->setCursor(Qt::PointingHandCursor);
    return l;
}

}  // namespace

ClaimPanel::ClaimPanel(std::unique_ptr<ClaimStore> store, QString companyDir, QWidget* parent)
    : QWidget(parent),
      store_(store ? std::move(store) : openClaimStore()),
      desk_(*store_),
      companyDir_(std::move(companyDir)) {
    setObjectName(QStringLiteral("Panel_claim"));
    Label_claim = new QLabel(this);
    Label_claim->setObjectName(QStringLiteral("Label_claim"));
    Label_claim->setGeometry(0, 2, 262, 17);
    Label_claim->setFont(panelFont(12, true));
    Label_claimTotal = new QLabel(this);
    Label_claimTotal->setObjectName(QStringLiteral("Label_claimTotal"));
    Label_claimTotal->setGeometry(0, 20, 262, 17);
    Label_claimTotal->setFont(panelFont(12));
    Label_newClaim = link(this, {266, 2, 84, 17}, QStringLiteral("新建报销单"),
                          QStringLiteral("Label_newClaim"));
    Label_closeClaim = link(this, {266, 20, 84, 17}, QStringLiteral("结束本单"),
                            QStringLiteral("Label_closeClaim"));
    connect(Label_newClaim, &ClickableLabel::clicked, this, &ClaimPanel::newClaimClicked);
    connect(Label_closeClaim, &ClickableLabel::clicked, this, [this] { closeClaim(); });
    refresh();
}

void ClaimPanel::resumeLeftOpen() {
    desk_.resume();
    refresh();
}

ClaimPanel::~ClaimPanel() = default;

template <class Ask>
auto ClaimPanel::unhooked(Ask&& ask) {
    const bool hooked = capture_ != nullptr && capture_->isHooked();
    if (hooked) {
        capture_->unhook();
    }
    struct Rehook {
        KeyboardCapture* capture;
        ~Rehook() {
            if (capture != nullptr) {
                capture->hook();
            }
        }
    } rehook{hooked ? capture_ : nullptr};
    return ask();
}

QString ClaimPanel::claimFor(const QString& reimburser) {
    StoreError error;
    const QString number = desk_.forRegistration(reimburser, error);
    if (number.isEmpty()) {
        showProblem(kOpenFailed, error);
    } else {
        refresh();
    }
    return number;
}

void ClaimPanel::openedWith(const Registration& registration, const QString& reimburser) {
    if (registration.claimError) {
        showProblem(kOpenFailed, *registration.claimError);
        return;
    }
    desk_.adopt(registration.openedClaim, reimburser);
    refresh();
}

void ClaimPanel::registered(const QString& amountText) {
    desk_.registered(amountText);
    refresh();
}

void ClaimPanel::reload() {
    desk_.reload();
    refresh();
}

void ClaimPanel::reimburserChanged(const QString& reimburser) {
    if (!desk_.reimburserChanged(reimburser)) {
        refresh();
        return;
    }
    const QString question =
        QStringLiteral("报销单%1（报销人：%2，共%3张）尚未结束。\n换报销人前结束本单？")
            .arg(desk_.number(), desk_.reimburser())
            .arg(desk_.total().count());
    if (unhooked([&] {
            return appprompts::get().message(this, QStringLiteral("提示"), question,
                                             MsgIcon::Question, MsgButtons::YesNo);
        }) == MsgAnswer::Ok) {
        closeClaim();
    }
}

void ClaimPanel::newClaim(const QString& reimburser) {
    if (desk_.isOpen() && desk_.total().count() > 0 && !closeClaim()) {
        return;
    }
    if (desk_.isOpen()) {
        refresh();  // an empty claim is already open: it is the new one
        return;
    }
    StoreError error;
    if (!desk_.open(reimburser, error)) {
        showProblem(kOpenFailed, error);
        return;
    }
    refresh();
}

bool ClaimPanel::closeClaim() {
    if (!desk_.isOpen()) {
        appprompts::get().message(this, QStringLiteral("提示"),
                                  QStringLiteral("没有未结束的报销单"), MsgIcon::Information);
        return false;
    }
    const QString number = desk_.number();
    const ChangeOutcome closed = desk_.close();
    if (!closed.done()) {
        if (closed.result == ChangeOutcome::Result::NotFound) {
            refresh();  // closed elsewhere meanwhile: its sheet is written below all the same
        } else {
            showProblem(QStringLiteral("报销单未能结束"), closed.error);
            return false;
        }
    }
    refresh();
    const claimsheet::Kept kept = claimsheet::keep(*store_, number, companyDir_);
    if (kept.ok()) {
        lastSheet_ = kept.path;
    }
    unhooked([&] {
        claimsheet::offer(this, kept);
        return true;
    });
    return true;
}

void ClaimPanel::refresh() {
    if (!desk_.isOpen()) {
        Label_claim->setText(QStringLiteral("报销单：无"));
        Label_claim->setToolTip(QString());
        Label_claimTotal->setText(QStringLiteral("下一张发票登记时新建"));
        Label_closeClaim->setEnabled(false);
        return;
    }
    Label_claim->setText(QStringLiteral("报销单：") + desk_.number());
    Label_claim->setToolTip(QStringLiteral("报销人：") + desk_.reimburser());
    Label_claimTotal->setText(QStringLiteral("共 %1 张  合计 %2")
                                  .arg(desk_.total().count())
                                  .arg(amount::toMoneyText(desk_.total().units())));
    Label_closeClaim->setEnabled(true);
}

void ClaimPanel::showProblem(const QString& what, const StoreError& error) {
    refresh();
    Label_claimTotal->setText(what + QStringLiteral("：") + error.reason());
    Label_claimTotal->setToolTip(error.reason());
}
