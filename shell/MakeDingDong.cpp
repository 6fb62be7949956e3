// SPDX-License-Identifier: GPL-3.0-or-later
// pelmor-make-dingdong FILE: writes the default alert sound, a short two-tone chime, as a
// 16-bit mono WAV file. Run by the build, so the sound is made from this source alone.

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace {

constexpr int kRate = 22050;
constexpr double kPi = 3.14159265358979323846;

void Put(std::string& out, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

// A bell-like tone: a fundamental with two soft overtones and an exponential decay.
void AddTone(std::vector<double>& samples, double start, double frequency, double length, double loudness) {
    const size_t first = static_cast<size_t>(start * kRate);
    const size_t count = static_cast<size_t>(length * kRate);
    if (samples.size() < first + count) samples.resize(first + count, 0.0);
    for (size_t i = 0; i < count; ++i) {
        const double t = static_cast<double>(i) / kRate;
        const double attack = std::min(1.0, t / 0.005);
        const double envelope = attack * std::exp(-4.0 * t);
        const double wave = std::sin(2 * kPi * frequency * t) + 0.35 * std::sin(2 * kPi * 2 * frequency * t) +
                            0.15 * std::sin(2 * kPi * 3 * frequency * t);
        samples[first + i] += loudness * envelope * wave / 1.5;
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: pelmor-make-dingdong FILE\n");
        return 2;
    }
    std::vector<double> samples;
    AddTone(samples, 0.0, 659.25, 0.9, 0.6);   // ding: E5
    AddTone(samples, 0.28, 523.25, 1.0, 0.6);  // dong: C5

    std::string data;
    for (double sample : samples) {
        const double clipped = std::max(-1.0, std::min(1.0, sample));
        Put(data, static_cast<uint16_t>(static_cast<int16_t>(std::lround(clipped * 32000))), 2);
    }
    std::string file = "RIFF";
    Put(file, static_cast<uint32_t>(36 + data.size()), 4);
    file += "WAVEfmt ";
    Put(file, 16, 4);          // format chunk size
    Put(file, 1, 2);           // PCM
    Put(file, 1, 2);           // mono
    Put(file, kRate, 4);       // sample rate
    Put(file, kRate * 2, 4);   // bytes per second
    Put(file, 2, 2);           // block align
    Put(file, 16, 2);          // bits per sample
    file += "data";
    Put(file, static_cast<uint32_t>(data.size()), 4);
    file += data;

    std::ofstream out(argv[1], std::ios::binary | std::ios::trunc);
    out.write(file.data(), static_cast<std::streamsize>(file.size()));
    if (!out) {
        std::fprintf(stderr, "pelmor-make-dingdong: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
