// The Convert command: the chain of stages over the temporary files, and the record of the result.
#include "convert/files/file_error_report.h"
#include "convert/stages/1_adpcm_decoder.h"
#include "convert/stages/1_voxware_decoder.h"
#include "convert/stages/2_mono_mixer.h"
#include "convert/stages/3_resampler.h"
#include "convert/stages/4_normaliser.h"
#include "convert/stages/5_alaw_file_writer.h"
#include "document/sonaro_doc.h"

namespace sonaro {
namespace {

constexpr const char* kTemp1 = "SN_1_tmp.tmp";
constexpr const char* kTemp2 = "SN_2_tmp.tmp";
constexpr const char* kTemp3 = "SN_3_tmp.tmp";

// The progress bar, 0 to 100, as the stages share it. A stage's report after block i of n moves
// the bar to base + span × i ÷ n (truncated). A PCM source has no decoding: its bar starts at 3.
constexpr BarShare kDecodeBar{0, 3};     // 0 to 2, over the blocks of the source
constexpr BarShare kMixBar{3, 2};        // 3 to 4, over chunks of 2000 frames
constexpr BarShare kResampleBar{5, 85};  // 5 to 89, over the filter positions
constexpr BarShare kPeakBar{90, 5};      // 90 to 94, finding the peak
constexpr BarShare kEncodeBar{95, 3};    // 95 to 97, scaling and encoding
constexpr BarShare kWriteBar{98, 2};     // 98 to 99, over blocks of 8000 codes

// The seven fields of the record that a conversion overwrites, copied between the record and
// the saved source description (both hold them under the same names).
template <typename From, typename To>
void CopySourceFields(const From& from, To& to) {
    to.formatName = from.formatName;
    to.formatTag = from.formatTag;
    to.dataSize = from.dataSize;
    to.samplesPerSec = from.samplesPerSec;
    to.bitsPerSample = from.bitsPerSample;
    to.channels = from.channels;
    to.playbackSeconds = from.playbackSeconds;
}

}  // namespace

void CSonaroDoc::OnConvert() {
    StopPlayback();
    SaveOrRestoreSource();
    const auto progress = OpenProgressWindow("Converting...", fileName_);
    std::uint32_t count = 0;
    if (RunStages(*progress, count)) {
        PublishResult(count, temp_.FilePath(kTemp2));
    }
}

// The first conversion of a file keeps the source's description; a later one (after a change of
// the volume level) puts it back and removes the previous result first.
void CSonaroDoc::SaveOrRestoreSource() {
    if (converted_) {
        CopySourceFields(savedSource_, record_);
        RemoveFileIfPresent(convertedPath_);
    } else {
        CopySourceFields(record_, savedSource_);
    }
}

// The progress window of a conversion or an import: a bar over 0..100 under the message.
std::unique_ptr<ProgressPort> CSonaroDoc::OpenProgressWindow(const std::string& title,
                                                             const std::string& message) {
    auto progress = user_.CreateProgress(title, false);
    progress->BeginModal("Progress", false);
    progress->SetBarRange(0, 100, 1);
    progress->SetMessage(message);
    progress->Layout(1, 320);
    progress->PumpWaitingMessages(true);
    return progress;
}

// Runs decode, mix, resample, encode and write; after a failure removes the temporary files of
// the run (the stage has told the user why).
bool CSonaroDoc::RunStages(ProgressPort& progress, std::uint32_t& resultCount) {
    std::string temp1;
    std::string temp2;
    std::string temp3;
    try {
        temp1 = temp_.FilePath(kTemp1);
        temp2 = temp_.FilePath(kTemp2);
        temp3 = temp_.FilePath(kTemp3);
    } catch (const FileException& error) {
        ReportFileError(error);
        return false;
    }
    const bool pcm = record_.formatTag == WAVE_FORMAT_PCM;
    // A PCM source is mixed from its data chunk; the mix counts the frames it holds.
    std::uint32_t frames =
        pcm ? record_.dataSize / record_.channels / (record_.bitsPerSample / 8U) : 0;
    const bool decoded =
        pcm || (record_.formatTag == WAVE_FORMAT_ADPCM ? DecodeAdpcm(temp3, frames, progress)
                                                       : DecodeVoxware(temp3, frames, progress));
    if (!decoded) {
        RemoveFileIfPresent(temp3);
        return false;
    }
    const bool mixed =
        MixToMonoFloat(temp1, pcm ? sourcePath_ : temp3, frames, record_.channels, progress);
    if (!pcm) {
        RemoveFileIfPresent(temp3);
    }
    if (!mixed) {
        RemoveFileIfPresent(temp1);
        return false;
    }
    std::uint32_t count = 0;
    if (!Resample(temp2, temp1, frames, count, record_.samplesPerSec, progress) ||
        !NormaliseAndEncode(temp1, temp2, count, progress) ||
        !WriteALawFile(temp2, temp1, progress)) {
        RemoveFileIfPresent(temp1);
        RemoveFileIfPresent(temp2);
        return false;
    }
    resultCount = count;
    return true;
}

// The document now describes the A-law result. The play rule is settled before the views are
// told, so that the commands they enable follow the result.
void CSonaroDoc::PublishResult(std::uint32_t count, const std::string& resultPath) {
    converted_ = true;
    convertedPath_ = resultPath;
    resultUnsaved_ = true;
    record_.formatName = "A-Law";
    record_.dataSize = count;
    record_.formatTag = WAVE_FORMAT_ALAW;
    record_.samplesPerSec = 8000;
    record_.bitsPerSample = 8;
    record_.channels = 1;
    record_.playbackSeconds =
        static_cast<float>(static_cast<double>(count) * double{kSecondsPerSample8000});
    SetFileLength(record_, std::uint64_t{count} + kALawHeaderSize);
    convertEnabled_ = false;
    SetModifiedFlag(true);
    user_.UpdateAllViews();
    if (autoPlayAfterConvert_) {
        PlayFile(resultPath);
    }
}

bool CSonaroDoc::DecodeAdpcm(const std::string& output, std::uint32_t& frames,
                             ProgressPort& progress) {
    StageContext context{progress, user_};
    const AdpcmSource source{sourcePath_,
                             record_.dataOffset,
                             record_.dataSize,
                             {record_.channels, record_.blockAlign, record_.samplesPerBlock}};
    return AdpcmToPcm16(context, kDecodeBar, source, output, frames);
}

bool CSonaroDoc::DecodeVoxware(const std::string& output, std::uint32_t& frames,
                               ProgressPort& progress) {
    StageContext context{progress, user_};
    const VoxwareSource source{sourcePath_, record_.dataOffset, record_.dataSize,
                               record_.waveFormat};
    return VoxwareToPcm16(context, kDecodeBar, codecs_, source, output, frames);
}

bool CSonaroDoc::MixToMonoFloat(const std::string& output, const std::string& input,
                                std::uint32_t& frames, std::uint8_t channels,
                                ProgressPort& progress) {
    StageContext context{progress, user_};
    const bool pcm = record_.formatTag == WAVE_FORMAT_PCM;
    const PcmSource source{input, pcm ? record_.dataOffset : 0, channels,
                           pcm ? record_.bitsPerSample : 16U};
    return PcmToMonoFloats(context, kMixBar, source, output, frames);
}

bool CSonaroDoc::Resample(const std::string& output, const std::string& input,
                          std::uint32_t inputCount, std::uint32_t& outputCount,
                          std::uint32_t inputRate, ProgressPort& progress) {
    StageContext context{progress, user_};
    return MonoFloatsTo8000Hz(context, kResampleBar, output, input, inputCount, outputCount,
                              inputRate);
}

bool CSonaroDoc::NormaliseAndEncode(const std::string& output, const std::string& input,
                                    std::uint32_t count, ProgressPort& progress) {
    StageContext context{progress, user_};
    return FloatsToALaw(context, {kPeakBar, kEncodeBar}, output, input, count, volumeLevel_);
}

bool CSonaroDoc::WriteALawFile(const std::string& output, const std::string& input,
                               ProgressPort& progress) {
    StageContext context{progress, user_};
    return ALawToWaveFile(context, kWriteBar, output, input);
}

}  // namespace sonaro
