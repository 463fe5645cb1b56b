// Every file operation of a whole Convert and Save As made to fail in turn, with each of the
// causes a disk can give: one message exactly when the run failed, and it is the cause's; the input
// is never changed; an existing destination survives a failed save; no temporary file outlives the
// document.
#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>

#include "convert/codecs/no_codec_manager.h"
#include "document/sonaro_doc.h"
#include "resources/string_ids.h"
#include "resources/string_table.h"
#include "tests/support/fake_sound.h"
#include "tests/support/fake_user.h"
#include "tests/support/fault_injection.h"
#include "tests/support/scratch_dir.h"
#include "tests/support/wav_builder.h"

namespace sonaro {
namespace {

struct Cause {
    int error;
    unsigned message;
};

constexpr Cause kCauses[] = {{ENOSPC, IDS_DISK_FULL},
                             {EIO, IDS_HARDWARE_ERROR},
                             {EACCES, IDS_ACCESS_DENIED},
                             {ENOENT, IDS_FILE_NOT_FOUND}};

constexpr FileOperation kOperations[] = {
    FileOperation::Open,  FileOperation::Read,   FileOperation::Write,
    FileOperation::Seek,  FileOperation::Length, FileOperation::Sync,
    FileOperation::Close, FileOperation::Remove, FileOperation::Rename};

std::vector<std::uint8_t> Input() {
    std::vector<std::int16_t> samples;
    for (int i = 0; i < 2 * 9000; ++i) {
        samples.push_back(static_cast<std::int16_t>((i * 7919) % 20000 - 10000));
    }
    return test::Pcm16Spec(22050, 2, samples).Build();
}

class InjectedFaults : public ::testing::Test {
  protected:
    void SetUp() override { ::setenv("TMPDIR", tempRoot.path().c_str(), 1); }
    void TearDown() override { ::unsetenv("TMPDIR"); }

    // Opens the input without faults, then converts and saves with the fault in place. Answers
    // false when the fault was never reached.
    bool RunWithFault(FileOperation operation, const Cause& cause, int nth) {
        SCOPED_TRACE("operation " + std::to_string(static_cast<int>(operation)) + ", errno " +
                     std::to_string(cause.error) + ", occurrence " + std::to_string(nth));
        dir.Write("out.wav", oldDestination);
        test::FakeUser user;
        test::FakeSound sound;
        NoCodecManager codecs;
        bool fired = false;
        {
            CSonaroDoc doc(user, sound, codecs);
            EXPECT_TRUE(doc.OnOpenDocument(inputPath));
            test::ScopedFault fault(operation, cause.error, nth);
            doc.OnConvert();
            if (!doc.converted() && operation != FileOperation::Remove) {
                EXPECT_EQ(IntermediateFiles(), 0) << "a failed conversion removes its files";
            }
            user.savePath = destination;
            if (doc.converted()) {
                doc.OnFileSaveAs();
            }
            fired = fault.fired();
            Check(user, doc.resultSaved(), cause);
        }
        EXPECT_TRUE(std::filesystem::is_empty(tempRoot.path())) << "no temporary file outlives it";
        return fired;
    }

    int IntermediateFiles() const { return static_cast<int>(tempRoot.ListBelow().size()); }

    void Check(const test::FakeUser& user, bool saved, const Cause& cause) {
        // A fault that made the conversion or the save fail is told once; one passed over (a
        // removal of a file already gone, say) is not told at all.
        ASSERT_EQ(user.messages.size(), saved ? 0U : 1U);
        // The copy of Save As tells of a result it cannot open in its own words.
        if (!user.messages.empty() && user.messages.front() != LoadString(IDS_TEMP_FILE_REMOVED)) {
            EXPECT_NE(user.messages.front().find(LoadString(cause.message)), std::string::npos)
                << user.messages.front();
        }
        EXPECT_EQ(test::ReadAll(inputPath), inputBytes) << "the input is never changed";
        const auto now = test::ReadAll(destination);
        if (!saved) {
            EXPECT_EQ(now, oldDestination) << "a failed save keeps the old file";
        } else {
            EXPECT_EQ(now.size(), 58U + 3509U) << "a saved result is whole";
        }
        EXPECT_EQ(dir.List(), (std::vector<std::string>{"in.wav", "out.wav"}))
            << "no temporary file beside the destination";
    }

    test::ScratchDir tempRoot;
    test::ScratchDir dir;
    const std::vector<std::uint8_t> inputBytes = Input();
    const std::string inputPath = dir.Write("in.wav", inputBytes);
    const std::vector<std::uint8_t> oldDestination = std::vector<std::uint8_t>(100, 0x33);
    const std::string destination = dir.File("out.wav");
};

TEST_F(InjectedFaults, EveryOperationWithEveryCause) {
    for (const FileOperation operation : kOperations) {
        for (const Cause& cause : kCauses) {
            int nth = 1;
            while (RunWithFault(operation, cause, nth) && nth < 200) {
                ++nth;
            }
            EXPECT_GT(nth, 1) << "operation " << static_cast<int>(operation) << " never happens";
        }
    }
}

}  // namespace
}  // namespace sonaro
