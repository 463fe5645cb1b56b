// Every stage when its working buffers cannot be had, and the memory a stage holds. The
// program's allocation functions are replaced here so that one allocation of a chosen size fails,
// as it would with no memory left, and so that the bytes allocated are counted.
#include <malloc.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>

#include "convert/stages/1_adpcm_decoder.h"
#include "convert/stages/2_mono_mixer.h"
#include "convert/stages/3_resampler.h"
#include "convert/stages/4_normaliser.h"
#include "convert/stages/5_alaw_file_writer.h"
#include "tests/convert/stage_test_support.h"
#include "tests/support/scratch_dir.h"

namespace {

std::size_t failingSize = 0;  // 0: every allocation succeeds
// The bytes allocated and not yet freed, and the most there were since peakBytes was last set.
std::atomic<std::size_t> liveBytes{0};
std::atomic<std::size_t> peakBytes{0};

void Free(void* memory) {
    if (memory != nullptr) {
        liveBytes -= ::malloc_usable_size(memory);
        std::free(memory);
    }
}

}  // namespace

void* operator new(std::size_t size) {
    if (size != 0 && size == failingSize) {
        failingSize = 0;
        throw std::bad_alloc();
    }
    if (void* memory = std::malloc(size == 0 ? 1 : size)) {
        const std::size_t live = liveBytes += ::malloc_usable_size(memory);
        if (live > peakBytes) {
            peakBytes = live;
        }
        return memory;
    }
    throw std::bad_alloc();
}

void operator delete(void* memory) noexcept {
    Free(memory);
}

void operator delete(void* memory, std::size_t) noexcept {
    Free(memory);
}

namespace sonaro {
namespace {

constexpr BarShare kBar{0, 100};

class MemoryTest : public ::testing::Test {
  protected:
    // Runs the stage with the allocation of that many bytes failing; it must fail with the one
    // message and the allocation must have been tried.
    void ExpectAllocationFailure(std::size_t bytes, const Stage& stage, const StageCall& call) {
        test::StageRun run;
        failingSize = bytes;
        std::uint32_t count = 0;
        const bool ok = run.Run(stage, call, count);
        const bool tried = failingSize == 0;
        failingSize = 0;
        EXPECT_TRUE(tried) << bytes;
        EXPECT_FALSE(ok) << bytes;
        EXPECT_EQ(run.messages, std::vector<std::string>{"Memory allocation error."}) << bytes;
    }

    test::ScratchDir dir;
    std::string output = dir.File("out.tmp");
};

TEST_F(MemoryTest, AdpcmBuffers) {
    // Blocks of 1013 bytes hold 2014 frames of one channel; the buffers hold the whole input
    // of 3000 bytes and room for the 16-bit samples of its three blocks, each as wide as a whole
    // one.
    const std::string input = dir.Write("in.raw", std::vector<std::uint8_t>(3000));
    const std::size_t sampleBytes = 2 * 3 * 2014;
    for (const std::size_t bytes : {std::size_t{3000}, sampleBytes}) {
        ExpectAllocationFailure(bytes, AdpcmDecoder({1, 1013, 2014}),
                                {{input, 0, 3000}, output, kBar});
        EXPECT_FALSE(test::Exists(output)) << "nothing is opened before the buffers are had";
    }
}

TEST_F(MemoryTest, MixerBuffers) {
    const std::string input = dir.Write("in.raw", std::vector<std::uint8_t>(4 * 1777));
    // The whole input of 1777 frames of 16-bit stereo, and 1777 floats out: both the same size.
    for (const std::size_t bytes : {4U * 1777}) {
        ExpectAllocationFailure(bytes, MonoMixer(2, 16), {{input, 0, 1777}, output, kBar});
        EXPECT_FALSE(test::Exists(output));
    }
}

TEST_F(MemoryTest, NormaliserBuffers) {
    const std::string input = dir.Write("in.raw", std::vector<std::uint8_t>(4 * 1777));
    for (const std::size_t bytes : {4U * 1777, 1777U}) {
        ExpectAllocationFailure(bytes, Normaliser(10), {{input, 0, 1777, true}, output, kBar});
        EXPECT_FALSE(test::Exists(output));
        EXPECT_TRUE(test::Exists(input));
    }
}

TEST_F(MemoryTest, ResamplerBuffers) {
    const std::string input = dir.Write("in.raw", std::vector<std::uint8_t>(4 * 1777));
    // The input window of a single thread and the output buffer of 32 blocks of 2000 floats.
    for (const std::size_t bytes :
         {4 * kResamplerSingleWindowSamples, std::size_t{4 * 2000 * 32}}) {
        ExpectAllocationFailure(bytes, Resampler(44100), {{input, 0, 1777, true}, output, kBar});
        EXPECT_FALSE(test::Exists(output));
        EXPECT_TRUE(test::Exists(input));
    }
}

// The resampler reads a long input window by window: it holds no more memory for sixteen
// windows of input than for one.
TEST_F(MemoryTest, ResamplerMemoryDoesNotGrowWithTheInput) {
    std::size_t held[2] = {};
    for (const std::size_t windows : {1U, 16U}) {
        const auto samples = static_cast<std::uint32_t>(windows * kResamplerSingleWindowSamples);
        const std::string input = dir.Write("in.raw", std::vector<std::uint8_t>(4 * samples));
        test::StageRun run;
        std::uint32_t count = 0;
        const std::size_t before = liveBytes;
        peakBytes = before;
        ASSERT_TRUE(run.Run(Resampler(44100, 1), {{input, 0, samples}, output, kBar}, count));
        held[windows == 1 ? 0 : 1] = peakBytes - before;
    }
    EXPECT_GT(held[0], 4 * kResamplerSingleWindowSamples) << "the counting sees the window";
    EXPECT_LT(held[1], held[0] + 16384) << "held for one window: " << held[0];
}

TEST_F(MemoryTest, WriterBuffer) {
    const std::string input = dir.Write("in.raw", std::vector<std::uint8_t>(6543));
    ExpectAllocationFailure(6543, ALawFileWriter(), {{input, 0, 0, true}, output, kBar});
    EXPECT_TRUE(test::ReadAll(output).empty()) << "the output exists, empty";
    EXPECT_TRUE(test::Exists(input));
}

}  // namespace
}  // namespace sonaro
