// Every stage when its working buffers cannot be had. The program's allocation functions are
// replaced here so that one allocation of a chosen size fails, as it would with no memory left.
#include <gtest/gtest.h>

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

}  // namespace

void* operator new(std::size_t size) {
    if (size != 0 && size == failingSize) {
        failingSize = 0;
        throw std::bad_alloc();
    }
    if (void* memory = std::malloc(size == 0 ? 1 : size)) {
        return memory;
    }
    throw std::bad_alloc();
}

void operator delete(void* memory) noexcept {
    std::free(memory);
}

void operator delete(void* memory, std::size_t) noexcept {
    std::free(memory);
}

namespace sonaro {
namespace {

constexpr BarShare kBar{0, 100};

class MemoryTest : public ::testing::Test {
  protected:
    // Runs the stage with the allocation of that many bytes failing; it must fail with the one
    // message and the allocation must have been tried.
    void ExpectAllocationFailure(std::size_t bytes,
                                 const std::function<bool(StageContext&)>& stage) {
        test::StageRun run;
        failingSize = bytes;
        const bool ok = stage(run.context);
        const bool tried = failingSize == 0;
        failingSize = 0;
        EXPECT_TRUE(tried) << bytes;
        EXPECT_FALSE(ok) << bytes;
        EXPECT_EQ(run.user.messages, std::vector<std::string>{"Memory allocation error."}) << bytes;
    }

    test::ScratchDir dir;
    std::string output = dir.File("out.tmp");
};

TEST_F(MemoryTest, AdpcmBuffers) {
    // Blocks of 1013 bytes hold 2014 frames of one channel; the buffers hold the whole input
    // of 3000 bytes and room for the 16-bit samples of its three blocks, each as wide as a whole
    // one.
    const AdpcmSource source{
        dir.Write("in.raw", std::vector<std::uint8_t>(3000)), 0, 3000, {1, 1013, 2014}};
    const std::size_t sampleBytes = 2 * 3 * 2014;
    for (const std::size_t bytes : {std::size_t{3000}, sampleBytes}) {
        ExpectAllocationFailure(bytes, [&](StageContext& context) {
            std::uint32_t frames = 0;
            return AdpcmToPcm16(context, kBar, source, output, frames);
        });
        EXPECT_FALSE(test::Exists(output)) << "nothing is opened before the buffers are had";
    }
}

TEST_F(MemoryTest, MixerBuffers) {
    const std::string input = dir.Write("in.raw", std::vector<std::uint8_t>(4 * 1777));
    // The whole input of 1777 frames of 16-bit stereo, and 1777 floats out: both the same size.
    for (const std::size_t bytes : {4U * 1777}) {
        ExpectAllocationFailure(bytes, [&](StageContext& context) {
            std::uint32_t frames = 1777;
            return PcmToMonoFloats(context, kBar, {input, 0, 2, 16}, output, frames);
        });
        EXPECT_FALSE(test::Exists(output));
    }
}

TEST_F(MemoryTest, NormaliserBuffers) {
    const std::string input = dir.Write("in.raw", std::vector<std::uint8_t>(4 * 1777));
    for (const std::size_t bytes : {4U * 1777, 1777U}) {
        ExpectAllocationFailure(bytes, [&](StageContext& context) {
            return FloatsToALaw(context, {kBar, kBar}, output, input, 1777, 10);
        });
        EXPECT_FALSE(test::Exists(output));
        EXPECT_TRUE(test::Exists(input));
    }
}

TEST_F(MemoryTest, ResamplerBuffers) {
    const std::string input = dir.Write("in.raw", std::vector<std::uint8_t>(4 * 1777));
    // The input window of a single thread and the output buffer of 32 blocks of 2000 floats.
    for (const std::size_t bytes :
         {4 * kResamplerSingleWindowSamples, std::size_t{4 * 2000 * 32}}) {
        ExpectAllocationFailure(bytes, [&](StageContext& context) {
            std::uint32_t count = 0;
            return MonoFloatsTo8000Hz(context, kBar, output, input, 1777, count, 44100);
        });
        EXPECT_FALSE(test::Exists(output));
        EXPECT_TRUE(test::Exists(input));
    }
}

TEST_F(MemoryTest, WriterBuffer) {
    const std::string input = dir.Write("in.raw", std::vector<std::uint8_t>(6543));
    ExpectAllocationFailure(
        6543, [&](StageContext& context) { return ALawToWaveFile(context, kBar, output, input); });
    EXPECT_TRUE(test::ReadAll(output).empty()) << "the output exists, empty";
    EXPECT_TRUE(test::Exists(input));
}

}  // namespace
}  // namespace sonaro
