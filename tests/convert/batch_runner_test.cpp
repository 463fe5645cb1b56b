// Runs of many files: the names of their results under each policy, the sound files of a folder,
// and the runner: one result per file whatever the others do, the bytes of a single conversion,
// a cancel that leaves no half-made file, the conversions at once it uses.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <map>
#include <mutex>

#include "convert/batch/batch_runner.h"
#include "convert/batch/result_names.h"
#include "convert/batch/sound_files.h"
#include "convert/codecs/no_codec_manager.h"
#include "convert/operations/operations.h"
#include "convert/resampler/cpu_budget.h"
#include "tests/support/fake_importer.h"
#include "tests/support/scratch_dir.h"
#include "tests/support/scripted_progress.h"
#include "tests/support/wav_builder.h"

namespace sonaro {
namespace {

namespace fs = std::filesystem;
using Status = BatchResult::Status;

TEST(ResultNames, NumberGoesBeforeTheEnding) {
    const struct {
        const char* name;
        int number;
        const char* numbered;
    } cases[] = {{"song.wav", 2, "song (2).wav"},
                 {"song", 3, "song (3)"},
                 {"a.b.wav", 2, "a.b (2).wav"},
                 {".wav", 2, ".wav (2)"},
                 {"x.", 12, "x (12)."}};
    for (const auto& c : cases) {
        EXPECT_EQ(NumberedName(c.name, c.number), c.numbered) << c.name;
    }
}

// The folder holds "a.wav" and "a (2).wav"; the inputs are x/a.wav, y/a.mp3, b.flac, x/c.wav and
// y/c.wav. Each output is named relative to the folder; "-" is a skipped input.
TEST(ResultNames, EachPolicyOverExistingFilesAndSharedNames) {
    test::ScratchDir dir;
    const std::string out = dir.File("out");
    fs::create_directories(out);
    dir.Write("out/a.wav", {1});
    dir.Write("out/a (2).wav", {1});
    const std::vector<std::string> inputs = {"x/a.wav", "y/a.mp3", "b.flac", "x/c.wav", "y/c.wav"};
    const struct {
        NameTaken taken;
        bool wavEnding;
        std::vector<std::string> outputs;
        const char* sharedName;
    } cases[] = {
        {NameTaken::Replace, true, {"-", "a.wav", "b.wav", "-", "c.wav"}, "a.wav"},
        {NameTaken::Skip, true, {"-", "-", "b.wav", "c.wav", "-"}, "a.wav"},
        {NameTaken::Number,
         true,
         {"a (3).wav", "a (4).wav", "b.wav", "c.wav", "c (2).wav"},
         "a.wav"},
        {NameTaken::Replace, false, {"a.wav", "a.mp3", "b.flac", "-", "c.wav"}, "c.wav"},
        {NameTaken::Number, false, {"a (3).wav", "a.mp3", "b.flac", "c.wav", "c (2).wav"}, "c.wav"},
    };
    for (const auto& c : cases) {
        const ResultPlan plan = PlanResults(inputs, {out, c.wavEnding, c.taken});
        std::vector<std::string> outputs;
        for (std::size_t i = 0; i < plan.results.size(); ++i) {
            EXPECT_EQ(plan.results[i].input, inputs[i]);
            const std::string& output = plan.results[i].output;
            outputs.push_back(output.empty() ? "-" : output.substr(out.size() + 1));
        }
        EXPECT_EQ(outputs, c.outputs) << static_cast<int>(c.taken) << " " << c.wavEnding;
        EXPECT_EQ(plan.sharedName, c.sharedName);
        EXPECT_EQ(plan.outputOverInput, "");
    }
    EXPECT_EQ(dir.ListBelow(), (std::vector<std::string>{"a (2).wav", "a.wav"}))
        << "planning writes nothing";
}

// A result written over an input, reached through a link to the folder, refuses the run under
// Replace; Skip and Number keep away from it.
TEST(ResultNames, AnOutputOverAnInputIsFound) {
    test::ScratchDir dir;
    const std::string input = dir.Write("in.wav", {1});
    const std::string other = dir.Write("other.mp3", {1});
    fs::create_directory_symlink(dir.path(), dir.File("link"));
    const struct {
        NameTaken taken;
        bool wavEnding;
        std::vector<std::string> inputs;
        std::string over;  // the output over an input, relative to the link
        std::string under;
    } cases[] = {
        {NameTaken::Replace, true, {other, input}, "in.wav", input},
        {NameTaken::Replace, false, {input}, "in.wav", input},
        {NameTaken::Replace, false, {other}, "other.mp3", other},
        {NameTaken::Replace, true, {other}, "", ""},
        {NameTaken::Skip, true, {input, other}, "", ""},
        {NameTaken::Number, true, {input}, "", ""},
    };
    for (const auto& c : cases) {
        const ResultPlan plan = PlanResults(c.inputs, {dir.File("link"), c.wavEnding, c.taken});
        EXPECT_EQ(plan.outputOverInput, c.over.empty() ? "" : dir.File("link/" + c.over));
        EXPECT_EQ(plan.inputUnderOutput, c.under);
    }
}

TEST(SoundFiles, TheFolderAndThoseBelowItByEnding) {
    test::ScratchDir dir;
    fs::create_directories(dir.File("b/deeper"));
    fs::create_directories(dir.File("a.wav.d"));
    for (const char* name : {"z.wav", "b/deeper/y.FLAC", "b/x.Mp3", "b/notes.txt", "b/wav",
                             "a.wav.d/readme", "b/.wav"}) {
        dir.Write(name, {1});
    }
    fs::create_directory_symlink(dir.path(), dir.File("b/loop"));
    fs::create_symlink(dir.File("z.wav"), dir.File("b/linked.wav"));
    const std::vector<std::string> expected = {dir.File("b/deeper/y.FLAC"),
                                               dir.File("b/linked.wav"), dir.File("b/x.Mp3"),
                                               dir.File("z.wav")};
    EXPECT_EQ(SoundFilesIn(dir.path(), {"wav", "flac", "mp3"}), expected);
    EXPECT_EQ(SoundFilesIn(dir.File("none"), {"wav"}), std::vector<std::string>{});
}

// A listener that keeps each result, counts the jobs at work at once, and can cancel the run at
// a chosen report of a chosen job; a job after that one waits to begin until the cancel came,
// however the system schedules the threads.
class RecordingListener final : public BatchListener {
  public:
    std::unique_ptr<ProgressPort> Progress(std::size_t job) override {
        std::unique_lock lock(mutex_);
        if (job > cancelJob) {
            cancelCame_.wait_for(lock, std::chrono::seconds(10), [&] { return cancelled_; });
        }
        maxAtOnce = std::max(maxAtOnce, ++atWork_);
        return std::make_unique<Port>(*this, job);
    }
    void Finished(std::size_t job, const BatchResult& result) override {
        std::lock_guard lock(mutex_);
        if (result.status != Status::Skipped &&
            (result.status != Status::Cancelled || result.failure)) {
            --atWork_;
        }
        results[job] = result;
    }
    bool StopRequested() override { return stopAll; }
    void ResetCancel() {
        std::lock_guard lock(mutex_);
        cancelled_ = false;
    }

    std::map<std::size_t, BatchResult> results;
    BatchRunner* runner = nullptr;
    std::size_t cancelJob = SIZE_MAX;
    int cancelAtReport = 0;
    bool stopAll = false;
    int maxAtOnce = 0;

  private:
    class Port final : public ProgressPort {
      public:
        Port(RecordingListener& owner, std::size_t job) : owner_(owner), job_(job) {}
        void SetMessage(const std::string&) override {}
        bool Report(int) override {
            if (job_ == owner_.cancelJob && ++reports_ == owner_.cancelAtReport) {
                owner_.runner->Cancel();
                std::lock_guard lock(owner_.mutex_);
                owner_.cancelled_ = true;
                owner_.cancelCame_.notify_all();
            }
            return false;
        }

      private:
        RecordingListener& owner_;
        std::size_t job_;
        int reports_ = 0;
    };

    std::mutex mutex_;
    std::condition_variable cancelCame_;
    bool cancelled_ = false;  // guarded by mutex_
    int atWork_ = 0;
};

class BatchRunnerTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ::setenv("TMPDIR", tempRoot.path().c_str(), 1);
        fs::create_directory(dir.File("out"));
        importer.output = test::ToneFile(16000, 1, 0.3);
    }
    void TearDown() override { ::unsetenv("TMPDIR"); }

    // The bytes of one conversion through the operations alone.
    std::vector<std::uint8_t> Single(const std::string& input, int volume) {
        TempDirectory directory;
        test::ScriptedProgress progress;
        const auto source = OpenSound(input, codecs);
        const auto result = ConvertSound(*source, {volume, directory, codecs}, progress);
        EXPECT_FALSE(SaveSound(*result, dir.File("single.wav")));
        return test::ReadAll(dir.File("single.wav"));
    }
    std::vector<Status> Statuses() const {
        std::vector<Status> statuses;
        for (const auto& [job, result] : listener.results) {
            statuses.push_back(result.status);
        }
        return statuses;
    }

    test::ScratchDir tempRoot;
    test::ScratchDir dir;
    NoCodecManager codecs;
    test::FakeImporter importer;
    RecordingListener listener;
};

// Every kind of ending in one run, at one and at three conversions at once: each file has its
// result, a converted one the bytes of the operations alone.
TEST_F(BatchRunnerTest, EachFileEndsWithItsOwnResult) {
    const std::string tone = dir.Write("tone.wav", test::ToneFile(44100, 2, 0.5));
    const std::string low = dir.Write("low.wav", test::ToneFile(11025, 1, 0.4));
    const std::string voice =
        dir.Write("voice.wav", test::VoxwareSpec(std::vector<std::uint8_t>(16)).Build());
    const std::string song = dir.Write("song.mp3", {'I', 'D', '3', 4, 0, 0});
    const std::string done = dir.Write("done.wav", test::ALawSpec({1, 2, 3}).Build());
    const std::string out = dir.File("out/");
    const std::vector<BatchJob> jobs = {
        {tone, out + "tone.wav"}, {voice, out + "voice.wav"},
        {song, out + "song.wav"}, {low, ""},
        {done, out + "done.wav"}, {low, dir.File("missing/low.wav")},
        {low, out + "low.wav"},
    };
    const std::vector<Status> expected = {Status::Converted, Status::Refused, Status::Converted,
                                          Status::Skipped,   Status::Refused, Status::Failed,
                                          Status::Converted};
    for (const unsigned atOnce : {1U, 3U}) {
        listener.results.clear();
        BatchRunner runner(jobs, {7, atOnce, codecs, &importer}, listener);
        runner.Run();
        EXPECT_EQ(Statuses(), expected) << atOnce;
        EXPECT_LE(listener.maxAtOnce, static_cast<int>(atOnce));
        EXPECT_EQ(listener.results[1].failure->Text(), "Voxware ACM driver not installed.");
        EXPECT_EQ(listener.results[4].failure->Text(), "WAV file already optimised!");
        EXPECT_EQ(listener.results[5].failure->Text(), "The file could not be located.");
        EXPECT_EQ(test::ReadAll(out + "tone.wav"), Single(tone, 7));
        EXPECT_EQ(test::ReadAll(out + "low.wav"), Single(low, 7));
        EXPECT_EQ(listener.results[6].result->fileLength, test::ReadAll(out + "low.wav").size());
        EXPECT_EQ(test::ReadAll(out + "song.wav"), Single(dir.Write("i.wav", importer.output), 7));
        EXPECT_EQ(listener.results[6].source->path, low);
        EXPECT_TRUE(tempRoot.ListBelow().empty());
    }
    BatchRunner strict({{song, out + "strict.wav"}}, {7, 1, codecs, nullptr}, listener);
    strict.Run();
    EXPECT_EQ(listener.results[0].status, Status::Refused) << "no importer, no import";
    EXPECT_EQ(listener.results[0].failure->Text(), "Not a RIFF file.");
}

// A cancel during the third file's conversion, at one and at two at once: the files done keep
// their results, the others end cancelled with no output and nothing in the private directory.
TEST_F(BatchRunnerTest, CancelStopsAtTheNextReport) {
    std::vector<BatchJob> jobs;
    for (int i = 0; i < 6; ++i) {
        const std::string name = "f" + std::to_string(i) + ".wav";
        jobs.push_back({dir.Write(name, test::ToneFile(22050, 1, 2.0)), dir.File("out/" + name)});
    }
    for (const unsigned atOnce : {1U, 2U}) {
        listener.results.clear();
        for (const auto& entry : fs::directory_iterator(dir.File("out"))) {
            fs::remove(entry.path());
        }
        BatchRunner runner(jobs, {10, atOnce, codecs, nullptr}, listener);
        listener.runner = &runner;
        listener.cancelJob = 2;
        listener.cancelAtReport = 10;
        listener.ResetCancel();
        runner.Run();
        ASSERT_EQ(listener.results.size(), jobs.size());
        int converted = 0;
        for (std::size_t i = 0; i < jobs.size(); ++i) {
            const BatchResult& result = listener.results[i];
            const bool saved = test::Exists(jobs[i].output);
            EXPECT_EQ(saved, result.status == Status::Converted) << i;
            EXPECT_TRUE(result.status == Status::Converted || result.status == Status::Cancelled);
            converted += result.status == Status::Converted ? 1 : 0;
        }
        EXPECT_EQ(listener.results[2].status, Status::Cancelled);
        EXPECT_EQ(listener.results[2].failure->Text(), "Conversion cancelled.");
        EXPECT_FALSE(listener.results[5].failure) << "never begun";
        EXPECT_EQ(std::distance(fs::directory_iterator(dir.File("out")), fs::directory_iterator()),
                  converted)
            << "no half-made file beside the results";
        // Of the two files before the third, one may still be at work when the third begins.
        EXPECT_GE(converted, 3 - static_cast<int>(atOnce));
        EXPECT_LE(converted, 2);
        EXPECT_EQ(dir.List().size(), jobs.size() + 1) << "nothing beside the inputs and out/";
        EXPECT_TRUE(tempRoot.ListBelow().empty());
    }
}

TEST_F(BatchRunnerTest, AStopAskedBeforeTheRunStartsNothing) {
    const std::string tone = dir.Write("tone.wav", test::ToneFile(8000, 1, 0.2));
    listener.stopAll = true;
    BatchRunner runner({{tone, dir.File("out/a.wav")}, {tone, ""}}, {10, 2, codecs, nullptr},
                       listener);
    runner.Run();
    EXPECT_EQ(Statuses(), (std::vector<Status>{Status::Cancelled, Status::Skipped}));
    EXPECT_FALSE(listener.results[0].failure);
    EXPECT_EQ(listener.maxAtOnce, 0);
    EXPECT_TRUE(fs::is_empty(dir.File("out")));
}

TEST(BatchWorkers, AsManyAsAskedOrTheCpusNeverMoreThanFiles) {
    const unsigned cpus = AvailableCpus();
    const struct {
        std::size_t files;
        unsigned atOnce;
        unsigned workers;
    } cases[] = {{0, 4, 1},      {1, 8, 1}, {10, 2, 2},         {3, 64, 3},
                 {100, 0, cpus}, {1, 0, 1}, {cpus + 5, 0, cpus}};
    for (const auto& c : cases) {
        EXPECT_EQ(BatchRunner::WorkersFor(c.files, c.atOnce), c.workers)
            << c.files << " files, " << c.atOnce;
    }
}

}  // namespace
}  // namespace sonaro
