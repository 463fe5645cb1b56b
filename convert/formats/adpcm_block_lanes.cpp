#include "convert/formats/adpcm_block_lanes.h"

#include <algorithm>
#include <cstring>

#include "convert/formats/adpcm_geometry.h"
#include "convert/formats/adpcm_tables.h"
#include "convert/formats/little_endian.h"
#include "convert/formats/vector_shuffle.h"

namespace sonaro {
namespace {

// Worked example, stereo blocks on vectors of 8 lanes: lane j of the first vector follows
// channel 0 of block j, lane j of the second channel 1 of block j. Step k takes code byte k of
// every block (its high nibble for channel 0, its low nibble for channel 1) and gives frame 2 + k
// of every block. The code bytes are fetched four at a time for all blocks (one 32-bit value per
// lane), and the frames of four steps are gathered in a small tile before they are copied to
// their blocks. Mono blocks use one vector; each code byte gives two steps, high nibble first.
constexpr std::uint64_t kBytesPerFetch = 4;

template <typename Int>
constexpr std::size_t kLanes = sizeof(Int) / sizeof(std::int32_t);

template <typename Int>
[[gnu::always_inline]] inline Int Splat(std::int32_t value) {
    return Int{} + value;
}

// The adaptation factor of each lane's code.
template <typename Int>
[[gnu::always_inline]] inline Int Adaptation(Int code) {
    Int table[2];
    for (std::size_t i = 0; i < kAdpcmAdaptation.size(); ++i) {
        table[i / kLanes<Int>][i % kLanes<Int>] = kAdpcmAdaptation[i];
    }
    if constexpr (kLanes<Int> == kAdpcmAdaptation.size()) {
        return Shuffle(table[0], code);
    } else {
        return Shuffle(table[0], table[1], code);
    }
}

// Every member is inlined into the functions below, which are compiled for their instructions.
// One channel of each block of the group: its predictor and the steps of the scalar decoder,
// done in 32-bit lanes with the same 16-bit results.
template <typename Int>
struct ChannelLanes {
    Int first;
    Int second;
    Int step;
    Int newest;
    Int older;

    [[gnu::always_inline]] inline Int Next(Int code) {
        Int nextStep = (Adaptation(code) * step) >> 8;
        nextStep = (nextStep << 16) >> 16;  // kept in 16 bits
        nextStep =
            nextStep < Splat<Int>(kAdpcmMinimumStep) ? Splat<Int>(kAdpcmMinimumStep) : nextStep;
        const Int signedCode = code >= Splat<Int>(8) ? code - 16 : code;
        Int sample = ((newest * first + older * second) >> 8) + signedCode * step;
        sample = sample < Splat<Int>(-32768) ? Splat<Int>(-32768) : sample;
        sample = sample > Splat<Int>(32767) ? Splat<Int>(32767) : sample;
        older = newest;
        newest = sample;
        step = nextStep;
        return sample;
    }
};

template <typename Int>
class LaneDecoder {
  public:
    [[gnu::always_inline]] explicit LaneDecoder(const AdpcmBlockRun& run)
        : run_(run), codeBytes_(run.blockBytes - AdpcmGeometry::kHeaderBytes * run.channels) {}

    [[gnu::always_inline]] void Decode() {
        ReadHeaders();
        const std::uint64_t steps = run_.frames - 2;
        const std::uint64_t stepsPerFetch = kBytesPerFetch * (run_.channels == 1 ? 2 : 1);
        for (std::uint64_t done = 0, byte = 0; done < steps; byte += kBytesPerFetch) {
            const Int codes = Fetch(byte);
            const auto count = static_cast<unsigned>(std::min(stepsPerFetch, steps - done));
            if (run_.channels == 1) {
                MonoSteps(codes, count);
            } else {
                StereoSteps(codes, count);
            }
            Store(2 + done, count);
            done += count;
        }
    }

  private:
    static constexpr std::size_t kLaneCount = kLanes<Int>;

    [[gnu::always_inline]] const std::uint8_t* Block(std::size_t lane) const {
        return run_.blocks + lane * run_.blockBytes;
    }
    [[gnu::always_inline]] std::int16_t* Out(std::size_t lane) const {
        return run_.out + lane * run_.frames * run_.channels;
    }

    // The predictors, steps and first two samples of every channel of every block; the first two
    // frames go out as they are, the older first.
    [[gnu::always_inline]] void ReadHeaders() {
        const unsigned channels = run_.channels;
        for (unsigned c = 0; c < channels; ++c) {
            ChannelLanes<Int>& lanes = channels_[c];
            for (std::size_t j = 0; j < kLaneCount; ++j) {
                const std::uint8_t* block = Block(j);
                const std::uint8_t* fields = block + channels;
                lanes.first[j] = kAdpcmFirstCoefficient[block[c]];
                lanes.second[j] = kAdpcmSecondCoefficient[block[c]];
                lanes.step[j] = static_cast<std::int16_t>(LoadLE16(fields + 2 * c));
                lanes.newest[j] = static_cast<std::int16_t>(LoadLE16(fields + 2 * (channels + c)));
                lanes.older[j] =
                    static_cast<std::int16_t>(LoadLE16(fields + 2 * (2 * channels + c)));
                Out(j)[c] = static_cast<std::int16_t>(lanes.older[j]);
                Out(j)[channels + c] = static_cast<std::int16_t>(lanes.newest[j]);
            }
        }
    }

    // Code bytes byte to byte + 3 of every block, the first in the low 8 bits; bytes beyond the
    // block read as 0 (their codes are never used).
    [[gnu::always_inline]] Int Fetch(std::uint64_t byte) const {
        Int codes{};
        const std::uint8_t* first =
            run_.blocks + AdpcmGeometry::kHeaderBytes * run_.channels + byte;
        if (byte + kBytesPerFetch <= codeBytes_) {
            for (std::size_t j = 0; j < kLaneCount; ++j) {
                codes[j] = static_cast<std::int32_t>(LoadLE32(first + j * run_.blockBytes));
            }
            return codes;
        }
        for (std::size_t j = 0; j < kLaneCount; ++j) {
            std::uint32_t value = 0;
            for (std::uint64_t b = byte; b < codeBytes_ && b < byte + kBytesPerFetch; ++b) {
                value |= std::uint32_t{first[j * run_.blockBytes + (b - byte)]} << (8 * (b - byte));
            }
            codes[j] = static_cast<std::int32_t>(value);
        }
        return codes;
    }

    // Each code byte is one frame: channel 0 in the high nibble, channel 1 in the low one. The
    // tile keeps each frame as a pair of samples, left in the low half.
    [[gnu::always_inline]] void StereoSteps(Int codes, unsigned count) {
        for (unsigned k = 0; k < count; ++k) {
            const Int left = channels_[0].Next((codes >> (8 * k + 4)) & 15);
            const Int right = channels_[1].Next((codes >> (8 * k)) & 15);
            tile_[k] = (left & 0xFFFF) | (right << 16);
        }
    }

    // Each code byte is two frames, the high nibble first. The tile keeps two frames in a pair,
    // the earlier in the low half.
    [[gnu::always_inline]] void MonoSteps(Int codes, unsigned count) {
        for (unsigned k = 0; k < count; ++k) {
            const unsigned shift = 8 * (k / 2) + (k % 2 == 0 ? 4 : 0);
            const Int sample = channels_[0].Next((codes >> shift) & 15);
            tile_[k / 2] = k % 2 == 0 ? sample & 0xFFFF : tile_[k / 2] | (sample << 16);
        }
    }

    // Copies count frames of the tile to each block, from frame on: a whole tile (four pairs
    // of samples per block) by a transposition in registers and one 16-byte store per block,
    // a part of one pair by pair.
    [[gnu::always_inline]] void Store(std::uint64_t frame, unsigned count) {
        const std::size_t samples = std::size_t{count} * run_.channels;
        if (samples == 2 * kBytesPerFetch) {
            return StoreWhole(frame);
        }
        for (std::size_t j = 0; j < kLaneCount; ++j) {
            std::int16_t* out = Out(j) + frame * run_.channels;
            for (std::size_t m = 0; m < samples; ++m) {
                out[m] = static_cast<std::int16_t>(tile_[m / 2][j] >> (16 * (m % 2)));
            }
        }
    }

    // Pairs 0 to 3 of lane j become the four pairs of block j, side by side.
    [[gnu::always_inline]] void StoreWhole(std::uint64_t frame) {
        constexpr std::size_t kHalf = kLaneCount / 2;
        constexpr std::size_t kQuarter = kLaneCount / 4;
        Int low{};
        Int high{};
        for (std::size_t i = 0; i < kHalf; ++i) {
            low[2 * i] = static_cast<std::int32_t>(i);
            low[2 * i + 1] = static_cast<std::int32_t>(kLaneCount + i);
            high[2 * i] = static_cast<std::int32_t>(kHalf + i);
            high[2 * i + 1] = static_cast<std::int32_t>(kLaneCount + kHalf + i);
        }
        // Lanes 2i, 2i + 1 of first[h] hold pairs 0 and 1 of block h × half + i; of second[h],
        // pairs 2 and 3.
        const Int first[2] = {Shuffle(tile_[0], tile_[1], low), Shuffle(tile_[0], tile_[1], high)};
        const Int second[2] = {Shuffle(tile_[2], tile_[3], low), Shuffle(tile_[2], tile_[3], high)};
        for (std::size_t g = 0; g < 2; ++g) {
            Int blocks{};
            for (std::size_t b = 0; b < kQuarter; ++b) {
                const auto at = static_cast<std::int32_t>(2 * (g * kQuarter + b));
                blocks[4 * b] = at;
                blocks[4 * b + 1] = at + 1;
                blocks[4 * b + 2] = static_cast<std::int32_t>(kLaneCount) + at;
                blocks[4 * b + 3] = static_cast<std::int32_t>(kLaneCount) + at + 1;
            }
            for (std::size_t h = 0; h < 2; ++h) {
                const Int four = Shuffle(first[h], second[h], blocks);
                for (std::size_t b = 0; b < kQuarter; ++b) {
                    const std::size_t lane = h * kHalf + g * kQuarter + b;
                    constexpr std::size_t kBytes = 4 * sizeof(std::int32_t);
                    std::memcpy(Out(lane) + frame * run_.channels,
                                reinterpret_cast<const std::uint8_t*>(&four) + b * kBytes, kBytes);
                }
            }
        }
    }

    const AdpcmBlockRun& run_;
    std::uint64_t codeBytes_;
    ChannelLanes<Int> channels_[2]{};
    Int tile_[kBytesPerFetch]{};  // the samples of one fetch, in pairs
};

using Int8 = std::int32_t __attribute__((vector_size(32)));
using Int16 = std::int32_t __attribute__((vector_size(64)));

[[gnu::target("avx2,fma")]] void DecodeAvx2(const AdpcmBlockRun& run) {
    LaneDecoder<Int8>(run).Decode();
}

[[gnu::target("avx512f,avx2,fma")]] void DecodeAvx512(const AdpcmBlockRun& run) {
    LaneDecoder<Int16>(run).Decode();
}

}  // namespace

std::size_t AdpcmLaneBlocks(SimdLevel level) {
    switch (level) {
        case SimdLevel::Avx512:
            return kLanes<Int16>;
        case SimdLevel::Avx2:
            return kLanes<Int8>;
        case SimdLevel::Baseline:
            break;
    }
    return 0;
}

void DecodeAdpcmLanes(const AdpcmBlockRun& run, SimdLevel level) {
    switch (level) {
        case SimdLevel::Avx512:
            return DecodeAvx512(run);
        case SimdLevel::Avx2:
            return DecodeAvx2(run);
        case SimdLevel::Baseline:
            break;
    }
}

}  // namespace sonaro
