// A Voxware source of more blocks than a 16-bit count holds is converted to its end.
#include <gtest/gtest.h>

#include <fstream>

#include "convert/codecs/plugin_codec_manager.h"
#include "convert/stages/1_voxware_decoder.h"
#include "tests/convert/stage_test_support.h"
#include "tests/support/scratch_dir.h"
#include "tests/support/test_codecs.h"
#include "tests/support/wav_builder.h"

namespace sonaro {
namespace {

TEST(VoxwareLong, MoreThan65535BlocksAreAllConverted) {
    constexpr std::uint32_t kBlocks = 65536 + 2;
    test::ScratchDir dir;
    const auto data = test::VoxwareData(27 * kBlocks);
    const auto file = test::VoxwareSpec(data).Build();
    const StageInput input{dir.Write("long.wav", file), file.size() - data.size(),
                           static_cast<std::uint32_t>(data.size())};
    PluginCodecManager codecs({test::DirectoryOf(test::VoxwareCodecLibrary())},
                              [](const std::string&, const std::string&) {});
    const VoxwareDecoder decoder(codecs,
                                 WaveFormat{WAVE_FORMAT_VOXWARE, 1, 8000, 300, 27, 16, 16, {}});
    test::StageRun run;
    std::uint32_t frames = 0;
    const std::string output = dir.File("SN_3_tmp.tmp");
    ASSERT_TRUE(run.Run(decoder, {input, output, {0, 3}}, frames));
    EXPECT_TRUE(run.messages.empty());
    EXPECT_EQ(frames, 720U * kBlocks);

    // The last two blocks, past the 16-bit count, are there and right.
    std::ifstream in(output, std::ios::binary | std::ios::ate);
    ASSERT_EQ(static_cast<std::uint64_t>(in.tellg()), 1440ULL * kBlocks);
    std::vector<std::uint8_t> tail(1440 * 2);
    in.seekg(-static_cast<std::streamoff>(tail.size()), std::ios::end);
    in.read(reinterpret_cast<char*>(tail.data()), static_cast<std::streamsize>(tail.size()));
    EXPECT_EQ(tail, test::TestCodecDecode(std::vector<std::uint8_t>(data.end() - 54, data.end())));
    EXPECT_EQ(run.progress.positions.back(), 2);
}

}  // namespace
}  // namespace sonaro
