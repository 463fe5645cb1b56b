// The sound output against a real sound server: a PulseAudio daemon of the test's own (or, with
// --sound-server=pipewire, PipeWire with its PulseAudio interface) plays into a null sink whose
// monitor is recorded; the recording must carry the sound that was played, for as long as it
// lasts, at its level and pitch. This program starts the server before any test (see main
// below), so it runs on its own rather than test by test.
#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QTest>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <numbers>
#include <thread>

#include "app/qt_sound_output.h"
#include "convert/codecs/no_codec_manager.h"
#include "convert/formats/alaw_encoder.h"
#include "convert/playback/wave_decoder.h"
#include "document/sonaro_doc.h"
#include "tests/gui/sound_server.h"
#include "tests/support/described_sound.h"
#include "tests/support/fake_user.h"
#include "tests/support/scratch_dir.h"
#include "tests/support/wav_builder.h"

namespace sonaro {
namespace {

test::SoundServer* gServer = nullptr;

double Tone(std::size_t i, double rate, double frequency, double amplitude) {
    return amplitude * 32767.0 * std::sin(2.0 * std::numbers::pi * frequency * i / rate);
}

// A file as the conversion leaves it, holding a tone.
std::vector<std::uint8_t> ALawTone(double seconds, double frequency, double amplitude) {
    std::vector<std::uint8_t> codes;
    for (std::size_t i = 0; i < static_cast<std::size_t>(seconds * 8000); ++i) {
        codes.push_back(EncodeALaw(static_cast<std::int16_t>(Tone(i, 8000, frequency, amplitude))));
    }
    return test::ALawSpec(codes).Build();
}

// One channel of a recording, cut into 10 ms windows.
struct Recording {
    double rate = 0;
    std::vector<std::int16_t> samples;  // the channel asked for

    std::size_t Window() const { return static_cast<std::size_t>(rate / 100); }
    double WindowRms(std::size_t w) const {
        double sum = 0;
        for (std::size_t i = w * Window(); i < (w + 1) * Window(); ++i) {
            const double value = samples[i];
            sum += value * value;
        }
        return std::sqrt(sum / Window());
    }
    std::size_t Windows() const { return samples.size() / Window(); }
    // The windows that carry sound, first to last.
    std::vector<std::size_t> Loud() const {
        std::vector<std::size_t> loud;
        for (std::size_t w = 0; w < Windows(); ++w) {
            if (WindowRms(w) > 1000) {
                loud.push_back(w);
            }
        }
        return loud;
    }
    // The pitch over windows [from, to): rising zero crossings counted between the first and
    // the last, each placed between its two samples.
    double Pitch(std::size_t from, std::size_t to) const {
        double first = -1;
        double last = -1;
        int periods = -1;
        for (std::size_t i = from * Window() + 1; i < to * Window(); ++i) {
            if (samples[i - 1] < 0 && samples[i] >= 0) {
                const double at = static_cast<double>(i) -
                                  static_cast<double>(samples[i]) / (samples[i] - samples[i - 1]);
                first = first < 0 ? at : first;
                last = at;
                ++periods;
            }
        }
        return periods > 0 ? periods * rate / (last - first) : 0;
    }
    // The median pitch of the tenths of a second in windows [from, to): a click that a busy
    // sound server puts into one of them moves no reading, a wrong rate moves them all.
    double Frequency(std::size_t from, std::size_t to) const {
        std::vector<double> pitches;
        for (std::size_t w = from; w + 10 <= to; w += 10) {
            pitches.push_back(Pitch(w, w + 10));
        }
        if (pitches.empty()) {
            return Pitch(from, to);
        }
        std::nth_element(pitches.begin(), pitches.begin() + pitches.size() / 2, pitches.end());
        return pitches[pitches.size() / 2];
    }
    int Peak() const {
        int peak = 0;
        for (const std::int16_t sample : samples) {
            peak = std::max(peak, std::abs(int{sample}));
        }
        return peak;
    }
    double Rms(std::size_t from, std::size_t to) const {
        double sum = 0;
        for (std::size_t w = from; w < to; ++w) {
            sum += WindowRms(w) * WindowRms(w);
        }
        return std::sqrt(sum / (to - from));
    }
};

Recording ReadRecording(const std::string& path, unsigned channel) {
    NoCodecManager codecs;
    const auto sound = WaveDecoder(codecs).Decode(test::Described(path), 1U << 30);
    Recording recording;
    if (!sound || channel >= sound->channels) {
        ADD_FAILURE() << "the recording cannot be read";
        return recording;
    }
    recording.rate = sound->samplesPerSec;
    for (std::size_t i = channel; i < sound->samples.size(); i += sound->channels) {
        recording.samples.push_back(sound->samples[i]);
    }
    return recording;
}

class PlaybackTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_NE(gServer, nullptr);
        ASSERT_TRUE(recorder_.Start());
    }

    // Lets the event loop run (playback advances with it) for that long.
    static void Run(int milliseconds) {
        QElapsedTimer timer;
        timer.start();
        while (timer.elapsed() < milliseconds) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        }
    }
    bool WaitForEnd() {
        return QTest::qWaitFor([&] { return !sound_.IsPlaying(); }, 15000);
    }
    Recording Finish(unsigned channel = 0) {
        Run(300);
        EXPECT_TRUE(recorder_.Finish());
        return ReadRecording(recorder_.path(), channel);
    }

    test::ScratchDir dir_;
    test::MonitorRecorder recorder_{*gServer, dir_.File("recording.wav")};
    NoCodecManager codecs_;
    QtSoundOutput sound_{codecs_};
};

// The sound goes to the server asked for, not to one the machine runs.
TEST_F(PlaybackTest, TheServerIsTheOneAskedFor) {
    const QString name = gServer->Name();
    std::printf("sound server: %s\n", qPrintable(name));
    if (gServer->kind() == test::SoundServerKind::PipeWire) {
        EXPECT_TRUE(name.startsWith("PulseAudio (on PipeWire ")) << name.toStdString();
    } else {
        EXPECT_EQ(name.toStdString(), "pulseaudio");
    }
    EXPECT_TRUE(recorder_.Finish());
}

TEST_F(PlaybackTest, OneDeviceAndPlayEnabled) {
    EXPECT_EQ(sound_.CountDevices(), 1U);
    test::FakeUser user;
    CSonaroDoc doc(user, sound_, codecs_);
    EXPECT_EQ(doc.soundDeviceCount(), 1U);
    ASSERT_TRUE(doc.OnOpenDocument(dir_.Write("in.wav", test::PcmSpec(8000, 1, 8).Build())));
    EXPECT_TRUE(doc.OnUpdatePlay());
    EXPECT_TRUE(recorder_.Finish());
}

// One second of 440 Hz converted at volume level 5 (half of full scale) and played by the
// document's Play command, as the user would.
TEST_F(PlaybackTest, PlaysAConvertedFile) {
    std::vector<std::int16_t> samples;
    for (std::size_t i = 0; i < 44100; ++i) {
        samples.push_back(static_cast<std::int16_t>(Tone(i, 44100, 440, 0.8)));
    }
    test::FakeUser user;
    CSonaroDoc doc(user, sound_, codecs_);
    user.settings = [](SettingsValues& values) {
        values.volumeLevel = 5;
        return true;
    };
    doc.OnSettings();
    ASSERT_TRUE(
        doc.OnOpenDocument(dir_.Write("tone.wav", test::Pcm16Spec(44100, 1, samples).Build())));
    doc.OnConvert();
    ASSERT_TRUE(doc.converted());
    ASSERT_EQ(doc.record().formatTag, 6);
    doc.OnPlay();
    EXPECT_TRUE(user.messages.empty());
    EXPECT_TRUE(sound_.IsPlaying());
    ASSERT_TRUE(WaitForEnd());
    const Recording recording = Finish();
    const auto loud = recording.Loud();
    ASSERT_FALSE(loud.empty());
    const std::size_t first = loud.front();
    const std::size_t last = loud.back();
    std::printf("recorded %zu ms of sound at %.1f Hz, peak %d, RMS %.0f\n", loud.size() * 10,
                recording.Frequency(first + 10, last - 10), recording.Peak(),
                recording.Rms(first + 10, last - 10));
    EXPECT_NEAR(static_cast<double>(loud.size()), 100, 6);  // 1 s of sound...
    EXPECT_EQ(last - first + 1, loud.size());               // ...without a gap
    EXPECT_NEAR(recording.Frequency(first + 10, last - 10), 440, 440 * 0.02);
    // Level 5: the peak at half of full scale, the steady tone a little below it (the
    // band-pass filter's ringing at the start holds the peak), and a sine's RMS for its peak.
    const double peak = recording.Peak();
    const double rms = recording.Rms(first + 10, last - 10);
    EXPECT_NEAR(peak, 0.5 * 32767, 0.06 * 32767);
    EXPECT_NEAR(rms, 0.5 * 32767 / std::sqrt(2.0), 0.08 * 11585);
    EXPECT_NEAR(rms / peak, 1 / std::sqrt(2.0), 0.03);
}

// The first sound reaches the sound server soon after Play, however long the file: the time
// from the command to the first sample of the tone in the monitor's recording (the recorder
// lags by its latency, so the time measured is if anything too long).
TEST_F(PlaybackTest, FirstSoundSoonAfterPlay) {
    const std::string path = dir_.Write("long.wav", ALawTone(240.0, 440, 0.5));  // 1.9 MB
    Run(300);
    const double commanded = recorder_.SecondsRecorded();
    QElapsedTimer returned;
    returned.start();
    ASSERT_TRUE(sound_.PlayFile(test::Described(path)));
    const qint64 returnedMs = returned.elapsed();
    Run(1500);
    EXPECT_TRUE(sound_.Stop());
    const Recording recording = Finish();
    const auto first = std::find_if(recording.samples.begin(), recording.samples.end(),
                                    [](std::int16_t sample) { return std::abs(sample) > 256; });
    ASSERT_NE(first, recording.samples.end());
    const double heard = static_cast<double>(first - recording.samples.begin()) / recording.rate;
    std::printf("Play returned after %lld ms; the first sound came %.0f ms after the command\n",
                static_cast<long long>(returnedMs), 1000 * (heard - commanded));
    EXPECT_GT(heard, commanded) << "the sound comes after the command";
    EXPECT_NEAR(recording.Frequency(recording.Loud().front() + 5, recording.Loud().front() + 50),
                440, 10);
}

// A stereo PCM file keeps its channels apart: the tone on the left only.
TEST_F(PlaybackTest, PlaysStereoPcmOnItsOwnChannels) {
    std::vector<std::int16_t> samples;
    for (std::size_t i = 0; i < 22050 / 2; ++i) {
        samples.push_back(static_cast<std::int16_t>(Tone(i, 22050, 1000, 0.25)));
        samples.push_back(0);
    }
    ASSERT_TRUE(sound_.PlayFile(
        test::Described(dir_.Write("stereo.wav", test::Pcm16Spec(22050, 2, samples).Build()))));
    ASSERT_TRUE(WaitForEnd());
    Run(300);
    ASSERT_TRUE(recorder_.Finish());
    const Recording left = ReadRecording(recorder_.path(), 0);
    const Recording right = ReadRecording(recorder_.path(), 1);
    const auto loud = left.Loud();
    ASSERT_GT(loud.size(), 40U);
    EXPECT_NEAR(static_cast<double>(loud.size()), 50, 5);
    EXPECT_NEAR(left.Frequency(loud.front() + 5, loud.back() - 5), 1000, 20);
    EXPECT_TRUE(right.Loud().empty());
}

// The program stopped for a fifth of a second, as on a busy machine: the sound goes on without
// a gap, from the sound the device holds ahead.
TEST_F(PlaybackTest, APauseOfTheProgramLeavesNoGap) {
    ASSERT_TRUE(sound_.PlayFile(test::Described(dir_.Write("tone.wav", ALawTone(1.0, 440, 0.5)))));
    Run(300);
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    ASSERT_TRUE(WaitForEnd());
    const auto loud = Finish().Loud();
    ASSERT_FALSE(loud.empty());
    EXPECT_NEAR(static_cast<double>(loud.size()), 100, 6);
    EXPECT_EQ(loud.back() - loud.front() + 1, loud.size());
}

// A new Play replaces the sound that plays; Stop ends it at once.
TEST_F(PlaybackTest, NewPlayReplacesAndStopEnds) {
    const std::string first = dir_.Write("first.wav", ALawTone(3.0, 440, 0.5));
    const std::string second = dir_.Write("second.wav", ALawTone(3.0, 660, 0.5));
    ASSERT_TRUE(sound_.PlayFile(test::Described(first)));
    Run(600);
    ASSERT_TRUE(sound_.PlayFile(test::Described(second)));
    Run(600);
    EXPECT_TRUE(sound_.Stop());
    EXPECT_FALSE(sound_.IsPlaying());
    Run(500);
    const Recording recording = Finish();
    const auto loud = recording.Loud();
    ASSERT_GT(loud.size(), 40U);
    std::printf("replaced after 0.6 s and stopped after 1.2 s: %zu ms of sound\n",
                loud.size() * 10);
    // About 1.2 s in all, far from the 6 s of the two files.
    EXPECT_LT(loud.size(), 170U);
    EXPECT_NEAR(recording.Frequency(loud.front() + 5, loud.front() + 35), 440, 10);
    EXPECT_NEAR(recording.Frequency(loud.back() - 35, loud.back() - 5), 660, 10);
}

TEST_F(PlaybackTest, FilesThatCannotBePlayed) {
    EXPECT_FALSE(sound_.PlayFile(test::Described(dir_.File("missing.wav"))));
    EXPECT_FALSE(
        sound_.PlayFile(test::Described(dir_.Write("text.wav", {'h', 'e', 'l', 'l', 'o'}))));
    test::WavSpec mulaw = test::PcmSpec(8000, 1, 8);
    mulaw.tag = 7;
    EXPECT_FALSE(sound_.PlayFile(test::Described(dir_.Write("mulaw.wav", mulaw.Build()))));
    EXPECT_FALSE(sound_.IsPlaying());
    EXPECT_TRUE(sound_.Stop());
    const Recording recording = Finish();
    EXPECT_TRUE(recording.Loud().empty());
}

}  // namespace
}  // namespace sonaro

// The server comes up before the tests; the sound output finds it through the runtime directory.
// A server that is not installed skips the program (status 77), naming what is missing.
int main(int argc, char** argv) {
    if (std::getenv("QT_QPA_PLATFORM") == nullptr) {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    }
    // Without one, Qt makes runtime-$USER in the temporary directory and leaves it there.
    const sonaro::test::ScratchDir runtime;
    setenv("XDG_RUNTIME_DIR", runtime.path().c_str(), 1);
    QApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    const bool pipeWire = argc > 1 && std::strcmp(argv[1], "--sound-server=pipewire") == 0;
    const auto kind = pipeWire ? sonaro::test::SoundServerKind::PipeWire
                               : sonaro::test::SoundServerKind::PulseAudio;
    const QStringList missing = sonaro::test::SoundServer::MissingPrograms(kind);
    if (!missing.isEmpty()) {
        std::fprintf(stderr, "skipped: %s not installed (scripts/install-deps.sh test)\n",
                     missing.join(QStringLiteral(", ")).toLocal8Bit().constData());
        return 77;
    }
    sonaro::test::SoundServer server(kind);
    if (!server.Start()) {
        std::fprintf(stderr, "cannot start the sound server: %s\n",
                     server.error().toLocal8Bit().constData());
        return 1;
    }
    server.UseInThisProcess();
    sonaro::gServer = &server;
    return RUN_ALL_TESTS();
}
