// The Convert command: the chain of stages over the temporary files, and the record of the result.
#include <algorithm>

#include "convert/files/file.h"
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

// The A-law file holds one byte per sample at 8000 Hz.
constexpr float kSecondsPerSample = 0.000125F;

}  // namespace

void CSonaroDoc::OnConvert() {
    StopPlayback();
    SaveOrRestoreSource();
    const auto progress = OpenProgressWindow();
    std::uint32_t count = 0;
    if (RunStages(*progress, count)) {
        PublishResult(count, temp_.FilePath(kTemp2));
    }
}

// The first conversion of a file keeps the source's description; a later one (after a change of
// the volume level) puts it back and removes the previous result first.
void CSonaroDoc::SaveOrRestoreSource() {
    if (converted_) {
        record_.formatName = savedSource_.formatName;
        record_.formatTag = savedSource_.formatTag;
        record_.dataSize = savedSource_.dataSize;
        record_.samplesPerSec = savedSource_.samplesPerSec;
        record_.bitsPerSample = savedSource_.bitsPerSample;
        record_.channels = savedSource_.channels;
        record_.playbackSeconds = savedSource_.playbackSeconds;
        RemoveFileIfPresent(convertedPath_);
    } else {
        savedSource_ = SourceFields{record_.formatName,     record_.formatTag,     record_.dataSize,
                                    record_.samplesPerSec,  record_.bitsPerSample, record_.channels,
                                    record_.playbackSeconds};
    }
}

std::unique_ptr<ProgressPort> CSonaroDoc::OpenProgressWindow() {
    auto progress = user_.CreateProgress("Converting...", false);
    progress->BeginModal("Progress", false);
    progress->SetBarRange(0, 100, 1);
    progress->SetMessage(fileName_);
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
    const bool decoded = record_.formatTag != WAVE_FORMAT_PCM;
    std::uint32_t frames = 0;
    if (decoded && !DecodeSource(temp3, frames, progress)) {
        RemoveFileIfPresent(temp3);
        return false;
    }
    if (!decoded) {
        frames = PcmFramesPresent();
    }
    const bool mixed =
        MixToMonoFloat(temp1, decoded ? temp3 : sourcePath_, frames, record_.channels, progress);
    if (decoded) {
        RemoveFileIfPresent(temp3);
    }
    if (!mixed) {
        RemoveFileIfPresent(temp1);
        return false;
    }
    std::uint32_t count = 0;
    if (!Resample(temp2, temp1, frames, &count, record_.samplesPerSec, progress) ||
        !NormaliseAndEncode(temp1, temp2, count, progress) ||
        !WriteALawFile(temp2, temp1, progress)) {
        RemoveFileIfPresent(temp1);
        RemoveFileIfPresent(temp2);
        return false;
    }
    resultCount = count;
    return true;
}

bool CSonaroDoc::DecodeSource(const std::string& output, std::uint32_t& frames,
                              ProgressPort& progress) {
    return record_.formatTag == WAVE_FORMAT_ADPCM ? DecodeAdpcm(output, &frames, progress)
                                                  : DecodeVoxware(output, &frames, progress);
}

// The data bytes of the source as its header counts them but no more than the file holds: a data
// chunk that claims more than is there is converted from what is there, and a size field of
// gigabytes on a small file does not turn into gigabytes of decoded silence.
std::uint32_t CSonaroDoc::DataBytesPresent() const {
    std::uint64_t length = 0;
    try {
        length = File(sourcePath_, File::Mode::Read).GetLength();
    } catch (const FileException&) {
        return record_.dataSize;  // the first stage reports the file's error when it opens it
    }
    const std::uint64_t present = length > record_.dataOffset ? length - record_.dataOffset : 0;
    return static_cast<std::uint32_t>(std::min<std::uint64_t>(record_.dataSize, present));
}

std::uint32_t CSonaroDoc::PcmFramesPresent() const {
    const std::uint32_t frameBytes = record_.channels * (record_.bitsPerSample / 8U);
    return frameBytes == 0 ? 0 : DataBytesPresent() / frameBytes;
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
        static_cast<float>(static_cast<double>(count) * double{kSecondsPerSample});
    const std::uint64_t fileLength = count + kALawHeaderSize;
    record_.sizeKB = static_cast<std::uint32_t>((fileLength + 1023) / 1024);
    record_.playable = fileLength < kPlayableLimit;
    convertEnabled_ = false;
    SetModifiedFlag(true);
    user_.UpdateAllViews();
    if (autoPlayAfterConvert_) {
        PlayFile(resultPath);
    }
}

bool CSonaroDoc::DecodeAdpcm(std::string output, std::uint32_t* frames, ProgressPort& progress) {
    StageContext context{progress, user_};
    const AdpcmSource source{sourcePath_,      record_.dataOffset, DataBytesPresent(),
                             record_.channels, record_.blockAlign, record_.samplesPerBlock};
    return sonaro::DecodeAdpcm(context, source, output, *frames);
}

bool CSonaroDoc::DecodeVoxware(std::string output, std::uint32_t* frames, ProgressPort& progress) {
    StageContext context{progress, user_};
    const VoxwareSource source{sourcePath_, record_.dataOffset, DataBytesPresent(),
                               record_.waveFormat};
    return sonaro::DecodeVoxware(context, codecs_, source, output, *frames);
}

bool CSonaroDoc::MixToMonoFloat(std::string output, std::string input, std::uint32_t frames,
                                std::uint8_t channels, ProgressPort& progress) {
    StageContext context{progress, user_};
    const bool pcm = record_.formatTag == WAVE_FORMAT_PCM;
    return sonaro::MixToMonoFloat(context, output, input, pcm ? record_.dataOffset : 0, frames,
                                  channels, pcm ? record_.bitsPerSample : 16U);
}

bool CSonaroDoc::Resample(std::string output, std::string input, std::uint32_t inputCount,
                          std::uint32_t* outputCount, std::uint32_t inputRate,
                          ProgressPort& progress) {
    StageContext context{progress, user_};
    return sonaro::Resample(context, output, input, inputCount, *outputCount, inputRate);
}

bool CSonaroDoc::NormaliseAndEncode(std::string output, std::string input, std::uint32_t count,
                                    ProgressPort& progress) {
    StageContext context{progress, user_};
    return sonaro::NormaliseAndEncode(context, output, input, count, volumeLevel_);
}

bool CSonaroDoc::WriteALawFile(std::string output, std::string input, ProgressPort& progress) {
    StageContext context{progress, user_};
    return sonaro::WriteALawFile(context, output, input);
}

}  // namespace sonaro
