// The sound output where no sound server answers: no device, so nothing is played, the document
// disables Play and says nothing.
#include <gtest/gtest.h>

#include <cstdlib>

#include "app/qt_sound_output.h"
#include "convert/codecs/no_codec_manager.h"
#include "document/sonaro_doc.h"
#include "tests/support/described_sound.h"
#include "tests/support/fake_user.h"
#include "tests/support/scratch_dir.h"
#include "tests/support/wav_builder.h"

namespace sonaro {
namespace {

class NoServerTest : public ::testing::Test {
  protected:
    // Before the first look at the devices: a server address where nothing listens.
    static void SetUpTestSuite() {
        setenv("PULSE_SERVER", ("unix:" + socketDir_.File("none")).c_str(), 1);
    }

    static inline test::ScratchDir socketDir_;
    test::ScratchDir dir_;
    NoCodecManager codecs_;
    QtSoundOutput sound_{codecs_};
};

TEST_F(NoServerTest, NoDeviceAndNothingPlays) {
    EXPECT_EQ(sound_.CountDevices(), 0U);
    const std::string path =
        dir_.Write("in.wav", test::Pcm16Spec(8000, 1, {0, 1000, 0, -1000}).Build());
    EXPECT_FALSE(sound_.PlayFile(test::Described(path)));
    EXPECT_FALSE(sound_.IsPlaying());
    EXPECT_TRUE(sound_.Stop());
}

TEST_F(NoServerTest, DocumentDisablesPlayAndSaysNothing) {
    test::FakeUser user;
    CSonaroDoc doc(user, sound_, codecs_);
    EXPECT_EQ(doc.soundDeviceCount(), 0U);
    ASSERT_TRUE(doc.OnOpenDocument(dir_.Write("in.wav", test::PcmSpec(22050, 2, 16).Build())));
    EXPECT_FALSE(doc.OnUpdatePlay());
    doc.OnPlay();
    EXPECT_TRUE(user.messages.empty());
}

}  // namespace
}  // namespace sonaro
