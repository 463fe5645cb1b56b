// Writes the bundled sample: a few seconds of synthesized music (a plucked-string melody over a
// soft bass line), 44100 Hz, 16-bit stereo PCM.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <random>
#include <vector>

namespace {

constexpr int kRate = 44100;
constexpr double kSeconds = 3.5;
constexpr double kPi = 3.14159265358979323846;

struct Note {
    double start;   // seconds
    double length;  // seconds
    double midi;    // pitch
    double pan;     // 0 left .. 1 right
    double level;
};

double Frequency(double midi) {
    return 440.0 * std::pow(2.0, (midi - 69.0) / 12.0);
}

// Karplus-Strong plucked string: a noise burst circulating in a damped delay line.
void Pluck(std::vector<double>& left, std::vector<double>& right, const Note& note,
           std::mt19937& random) {
    const auto period = static_cast<std::size_t>(kRate / Frequency(note.midi));
    std::uniform_real_distribution<double> noise(-1.0, 1.0);
    std::vector<double> line(period);
    for (double& value : line) {
        value = noise(random);
    }
    const auto first = static_cast<std::size_t>(note.start * kRate);
    const auto count = static_cast<std::size_t>(note.length * kRate);
    for (std::size_t i = 0; i < count && first + i < left.size(); ++i) {
        const std::size_t at = i % period;
        const double value = line[at];
        line[at] = 0.996 * 0.5 * (value + line[(at + 1) % period]);
        const double release = i + 2000 > count ? static_cast<double>(count - i) / 2000.0 : 1.0;
        left[first + i] += note.level * release * (1.0 - note.pan) * value;
        right[first + i] += note.level * release * note.pan * value;
    }
}

// A soft bass tone with a slow attack and decay.
void Bass(std::vector<double>& left, std::vector<double>& right, const Note& note) {
    const double frequency = Frequency(note.midi);
    const auto first = static_cast<std::size_t>(note.start * kRate);
    const auto count = static_cast<std::size_t>(note.length * kRate);
    for (std::size_t i = 0; i < count && first + i < left.size(); ++i) {
        const double t = static_cast<double>(i) / kRate;
        const double envelope = std::min(1.0, t / 0.03) * std::exp(-2.5 * t);
        const double value =
            note.level * envelope *
            (std::sin(2 * kPi * frequency * t) + 0.3 * std::sin(4 * kPi * frequency * t));
        left[first + i] += (1.0 - note.pan) * value;
        right[first + i] += note.pan * value;
    }
}

void PutLE(std::ofstream& out, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        out.put(static_cast<char>((value >> (8 * i)) & 0xFF));
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: make_sample OUTPUT.wav\n";
        return 2;
    }
    const auto frames = static_cast<std::size_t>(kSeconds * kRate);
    std::vector<double> left(frames), right(frames);
    std::mt19937 random(20261207);

    const double melody[] = {64, 67, 71, 72, 71, 67, 64, 62, 60, 64, 67, 72, 76, 74};
    for (int i = 0; i < 14; ++i) {
        Pluck(left, right, {0.05 + 0.23 * i, 0.6, melody[i], 0.35 + 0.03 * i, 0.45}, random);
    }
    const double bass[] = {40, 43, 45, 36};
    for (int i = 0; i < 4; ++i) {
        Bass(left, right, {0.05 + 0.85 * i, 0.9, bass[i], 0.6, 0.35});
    }

    std::ofstream out(argv[1], std::ios::binary);
    const auto dataBytes = static_cast<std::uint32_t>(frames * 4);
    out.write("RIFF", 4);
    PutLE(out, 36 + dataBytes, 4);
    out.write("WAVEfmt ", 8);
    PutLE(out, 16, 4);
    PutLE(out, 1, 2);
    PutLE(out, 2, 2);
    PutLE(out, kRate, 4);
    PutLE(out, kRate * 4, 4);
    PutLE(out, 4, 2);
    PutLE(out, 16, 2);
    out.write("data", 4);
    PutLE(out, dataBytes, 4);
    for (std::size_t i = 0; i < frames; ++i) {
        const double fade = std::min(1.0, static_cast<double>(frames - i) / 4410.0);
        for (const double value : {left[i], right[i]}) {
            const double clipped = std::clamp(value * fade, -1.0, 1.0);
            PutLE(out, static_cast<std::uint16_t>(std::lround(clipped * 30000.0)), 2);
        }
    }
    return out ? 0 : 1;
}
