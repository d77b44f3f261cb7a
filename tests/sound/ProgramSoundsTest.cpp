#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QFile>
#include <QSoundEffect>
#include <QTest>
#include <QUrl>
#include <QtEndian>
#include <cstdlib>

#include "FakePrompts.h"
#include "sound/QtSoundPlayer.h"

namespace {

const QList<SoundKind> kKinds{SoundKind::Registered, SoundKind::AlreadyRecorded, SoundKind::Failed};

QByteArray resourceBytes(SoundKind kind) {
    QFile file(QUrl(QtSoundPlayer::source(kind)).path().prepend(u':'));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

quint32 little32(const QByteArray& bytes, int at) {
    return qFromLittleEndian<quint32>(bytes.constData() + at);
}

TEST(ProgramSounds, AreShortDistinctPcmWaves) {
    QList<QByteArray> seen;
    for (const SoundKind kind : kKinds) {
        SCOPED_TRACE(QtSoundPlayer::source(kind).toStdString());
        const QByteArray wav = resourceBytes(kind);
        ASSERT_GT(wav.size(), 44);
        // PCM, mono, 16 bits, the samples right after the header
        EXPECT_EQ(wav.mid(20, 4), QByteArray::fromHex("01000100"));
        EXPECT_EQ(wav.mid(34, 6), QByteArray::fromHex("1000") + "data");
        const quint32 rate = little32(wav, 24);
        const QByteArray pcm = wav.mid(44);
        ASSERT_EQ(quint32(pcm.size()), little32(wav, 40));
        const auto samples = reinterpret_cast<const qint16*>(pcm.constData());
        const qsizetype count = pcm.size() / 2;
        qsizetype last = count - 1;  // the last audible sample
        while (last > 0 && std::abs(samples[last]) < 100) {
            --last;
        }
        const double audible = double(last + 1) / rate;
        EXPECT_GT(audible, 0.15);
        EXPECT_LT(audible, 0.6);  // a pile is scanned fast: each sound is over before the next
        // Qt cuts off about the last 0.2 s on PulseAudio: the end must be silence.
        EXPECT_GE(double(count - last - 1) / rate, 0.4);
        EXPECT_FALSE(seen.contains(pcm));
        seen << pcm;
    }
}

TEST(ProgramSounds, QtMultimediaLoadsEachOfThem) {
    for (const SoundKind kind : kKinds) {
        QSoundEffect effect;
        effect.setSource(QUrl(QtSoundPlayer::source(kind)));
        EXPECT_TRUE(
            QTest::qWaitFor([&] { return effect.status() != QSoundEffect::Loading; }, 30000));
        EXPECT_EQ(effect.status(), QSoundEffect::Ready)
            << QtSoundPlayer::source(kind).toStdString();
    }
}

TEST(QtSoundPlayerTest, PlayingNeverWaitsAndAMissingDeviceSaysNothing) {
    FakePrompts prompts;
    {
        QtSoundPlayer player;
        // Sixty sounds of at least 0.15 s each: played one after the other they would take 9 s.
        QElapsedTimer timer;
        timer.start();
        for (int round = 0; round < 20; ++round) {
            for (const SoundKind kind : kKinds) {
                player.play(kind);
            }
        }
        EXPECT_LT(timer.elapsed(), 3000);
        QTest::qWait(300);  // the sound thread at work, whatever device there is
    }
    EXPECT_TRUE(prompts.calls().isEmpty());
}

}  // namespace
