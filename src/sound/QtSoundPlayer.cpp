#include "sound/QtSoundPlayer.h"

#include <QSoundEffect>
#include <QUrl>
#include <array>

namespace {

constexpr std::array kKinds{SoundKind::Registered, SoundKind::AlreadyRecorded, SoundKind::Failed};

}  // namespace

// One effect per kind, loaded once so that playing costs nothing but the start.
class SoundBank final : public QObject {
public:
    void load() {
        for (const SoundKind kind : kKinds) {
            auto* effect = new QSoundEffect(this);
            effect->setSource(QUrl(QtSoundPlayer::source(kind)));
            effects_[std::size_t(kind)] = effect;
        }
    }
    void play(SoundKind kind) {
        QSoundEffect* effect = effects_[std::size_t(kind)];
        if (effect != nullptr) {
            effect->stop();  // a sound still playing starts over
            effect->play();
        }
    }

private:
    std::array<QSoundEffect*, kKinds.size()> effects_{};
};

QtSoundPlayer::QtSoundPlayer() : bank_(new SoundBank) {
    thread_.setObjectName(QStringLiteral("sounds"));
    bank_->moveToThread(&thread_);
    QObject::connect(&thread_, &QThread::finished, bank_, &QObject::deleteLater);
    thread_.start();
    QMetaObject::invokeMethod(bank_, [bank = bank_] { bank->load(); });
}

QtSoundPlayer::~QtSoundPlayer() {
    thread_.quit();
    thread_.wait();
}

void QtSoundPlayer::play(SoundKind kind) {
    QMetaObject::invokeMethod(bank_, [bank = bank_, kind] { bank->play(kind); });
}

QString QtSoundPlayer::source(SoundKind kind) {
    switch (kind) {
        case SoundKind::Registered:
            return QStringLiteral("qrc:/sounds/registered.wav");
        case SoundKind::AlreadyRecorded:
            return QStringLiteral("qrc:/sounds/already.wav");
        case SoundKind::Failed:
            break;
    }
    return QStringLiteral("qrc:/sounds/failed.wav");
}
