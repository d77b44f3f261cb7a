// Writes the program's sounds as small WAV files (16-bit PCM, mono) from a table of tones:
//   make_sounds <output directory>
// Each sound has its own shape so that a clerk tells them apart without looking: a rising
// two-note chime for a registration, a double beep for an invoice already reimbursed, a low buzz
// for a failure.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <numbers>
#include <string>
#include <vector>

namespace {

constexpr int kSampleRate = 22050;
constexpr double kPeak = 0.6;  // of full scale: audible, never clipping
constexpr double kAttackMs = 4;
constexpr double kReleaseMs = 15;
// Qt 6.4's QSoundEffect on PulseAudio stops the device with the last bytes still in its buffer,
// cutting off about the last 0.2 s of a sound: each sound ends in silence that may be lost.
constexpr int kTrailingSilenceMs = 500;

enum class Timbre { Pure, Buzz };

struct Tone {
    double hertz;  // 0: silence
    int ms;
};

struct Sound {
    const char* file;
    Timbre timbre;
    std::vector<Tone> tones;
};

const std::vector<Sound> kSounds = {
    {"registered.wav", Timbre::Pure, {{1046.5, 90}, {1568.0, 180}}},
    {"already.wav", Timbre::Pure, {{740.0, 110}, {0, 70}, {740.0, 110}}},
    {"failed.wav", Timbre::Buzz, {{180.0, 420}}},
};

double wave(Timbre timbre, double phase) {
    if (timbre == Timbre::Pure) {
        return std::sin(phase);
    }
    // Odd harmonics make the hard, buzzing sound of something refused.
    return (std::sin(phase) + std::sin(3 * phase) / 3 + std::sin(5 * phase) / 5) / 1.2;
}

// Rises over the attack, decays gently, and falls to zero over the release: no clicks.
double envelope(int i, int count) {
    const double ms = 1000.0 * i / kSampleRate;
    const double total = 1000.0 * count / kSampleRate;
    double level = std::exp(-ms / (total * 1.5));
    if (ms < kAttackMs) {
        level *= ms / kAttackMs;
    }
    if (total - ms < kReleaseMs) {
        level *= (total - ms) / kReleaseMs;
    }
    return level;
}

std::vector<int16_t> samples(const Sound& sound) {
    std::vector<int16_t> out;
    for (const Tone& tone : sound.tones) {
        const int count = kSampleRate * tone.ms / 1000;
        for (int i = 0; i < count; ++i) {
            double value = 0;
            if (tone.hertz > 0) {
                const double phase = 2 * std::numbers::pi * tone.hertz * i / kSampleRate;
                value = kPeak * envelope(i, count) * wave(sound.timbre, phase);
            }
            out.push_back(int16_t(std::lround(value * 32767)));
        }
    }
    out.resize(out.size() + kSampleRate * kTrailingSilenceMs / 1000, 0);
    return out;
}

void putLittleEndian(std::string& bytes, uint32_t value, int size) {
    for (int i = 0; i < size; ++i) {
        bytes.push_back(char((value >> (8 * i)) & 0xFF));
    }
}

std::string wavFile(const std::vector<int16_t>& pcm) {
    const uint32_t dataBytes = uint32_t(pcm.size() * 2);
    std::string bytes = "RIFF";
    putLittleEndian(bytes, 36 + dataBytes, 4);
    bytes += "WAVEfmt ";
    putLittleEndian(bytes, 16, 4);               // size of the format chunk
    putLittleEndian(bytes, 1, 2);                // PCM
    putLittleEndian(bytes, 1, 2);                // mono
    putLittleEndian(bytes, kSampleRate, 4);      // samples per second
    putLittleEndian(bytes, kSampleRate * 2, 4);  // bytes per second
    putLittleEndian(bytes, 2, 2);                // bytes per sample frame
    putLittleEndian(bytes, 16, 2);               // bits per sample
    bytes += "data";
    putLittleEndian(bytes, dataBytes, 4);
    for (const int16_t sample : pcm) {
        putLittleEndian(bytes, uint16_t(sample), 2);
    }
    return bytes;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_sounds <output directory>\n");
        return 2;
    }
    for (const Sound& sound : kSounds) {
        const std::string path = std::string(argv[1]) + "/" + sound.file;
        std::ofstream out(path, std::ios::binary);
        out << wavFile(samples(sound));
        if (!out) {
            std::fprintf(stderr, "make_sounds: cannot write %s\n", path.c_str());
            return 1;
        }
    }
    return 0;
}
