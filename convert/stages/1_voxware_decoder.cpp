#include "convert/stages/1_voxware_decoder.h"

#include <limits>
#include <memory>
#include <new>

#include "convert/files/file.h"
#include "convert/files/file_error_report.h"
#include "convert/stages/progress_reporter.h"
#include "resources/string_ids.h"

namespace sonaro {
namespace {

constexpr std::uint32_t kBlockBytes = 27;  // one Voxware block
constexpr int kBarPositions = 3;           // this stage's share of the progress bar: 0 to 2

enum class Outcome { Done, Cancelled, CodecFailed };

// Converts the blocks one call each and writes what the codec gives back. Answers why it stopped;
// file errors are thrown.
Outcome ConvertBlocks(ProgressPort& progress, CodecManager& codecs, CodecStream stream,
                      CodecStreamHeader& header, std::uint8_t* block, const VoxwareSource& source,
                      const std::string& output, std::uint64_t& frames) {
    File input(source.path, File::Mode::Read);
    input.Seek(static_cast<std::int64_t>(source.dataOffset), File::SeekFrom::Begin);
    File out(output, File::Mode::Write);
    ProgressReporter reporter(progress);
    const std::uint32_t blocks = source.dataSize / kBlockBytes;
    for (std::uint32_t i = 0; i < blocks; ++i) {
        if (reporter.Report(static_cast<int>(kBarPositions * static_cast<double>(i) / blocks))) {
            return Outcome::Cancelled;
        }
        // A file shorter than its header says ends the data here: nothing is made up for it.
        if (input.Read(block, kBlockBytes) < kBlockBytes) {
            break;
        }
        header.sourceLength = kBlockBytes;
        header.destinationLengthUsed = 0;
        if (codecs.Convert(stream, header, true) != 0) {
            return Outcome::CodecFailed;
        }
        // More bytes than the buffer holds, or half a sample, is no answer a codec can give.
        const std::uint32_t used = header.destinationLengthUsed;
        if (used > header.destinationLength || used % 2 != 0) {
            return Outcome::CodecFailed;
        }
        out.Write(header.destination, used);
        frames += used / 2;
        if (frames > std::numeric_limits<std::uint32_t>::max()) {
            return Outcome::CodecFailed;
        }
    }
    out.Close();
    return Outcome::Done;
}

// Asks for a PCM format, opens a stream to it and learns how many bytes one block gives (made
// even: whole samples only). On failure no stream is open.
bool OpenStream(CodecManager& codecs, const WaveFormat& format, CodecStream& stream,
                std::uint32_t& destinationSize) {
    WaveFormat pcm;
    pcm.formatTag = WAVE_FORMAT_PCM;
    if (codecs.FormatSuggest(format, pcm) != 0 || codecs.StreamOpen(&stream, format, pcm) != 0) {
        return false;
    }
    if (codecs.StreamSize(stream, kBlockBytes, destinationSize) != 0) {
        codecs.StreamClose(stream);
        return false;
    }
    destinationSize &= ~std::uint32_t{1};
    return true;
}

// Ends a stream after the conversion: unprepares the header, closes the stream. On failure the
// stream is closed all the same.
bool FinishStream(CodecManager& codecs, CodecStream stream, CodecStreamHeader& header) {
    if (codecs.UnprepareHeader(stream, header) != 0) {
        codecs.StreamClose(stream);
        return false;
    }
    return codecs.StreamClose(stream) == 0;
}

}  // namespace

bool DecodeVoxware(StageContext& context, CodecManager& codecs, const VoxwareSource& source,
                   const std::string& output, std::uint32_t& frames) {
    const auto fail = [&](unsigned message) {
        ShowStringMessage(context.messages, message);
        return false;
    };
    CodecStream stream = 0;
    std::uint32_t destinationSize = 0;
    if (!OpenStream(codecs, source.format, stream, destinationSize)) {
        return fail(IDS_VOXWARE_CONVERSION);
    }
    const std::unique_ptr<std::uint8_t[]> block(new (std::nothrow) std::uint8_t[kBlockBytes]());
    const std::unique_ptr<std::uint8_t[]> pcm(new (std::nothrow) std::uint8_t[destinationSize]);
    if (block == nullptr || pcm == nullptr) {
        codecs.StreamClose(stream);
        return fail(IDS_MEMORY_ALLOCATION);
    }
    CodecStreamHeader header;
    header.source = block.get();
    header.sourceLength = kBlockBytes;
    header.sourceUserData = kBlockBytes;
    header.destination = pcm.get();
    header.destinationLength = destinationSize;
    header.destinationUserData = destinationSize;
    if (codecs.PrepareHeader(stream, header) != 0) {
        codecs.StreamClose(stream);
        return fail(IDS_VOXWARE_CONVERSION);
    }

    std::uint64_t count = 0;
    Outcome outcome;
    try {
        outcome = ConvertBlocks(context.progress, codecs, stream, header, block.get(), source,
                                output, count);
    } catch (const FileException& error) {
        ReportFileError(context.messages, error);
        codecs.StreamClose(stream);  // the header is not unprepared after a file error
        return false;
    }
    if (outcome == Outcome::Cancelled) {
        codecs.UnprepareHeader(stream, header);
        codecs.StreamClose(stream);
        return fail(IDS_CONVERSION_CANCELLED);
    }
    if (!FinishStream(codecs, stream, header) || outcome != Outcome::Done) {
        return fail(IDS_VOXWARE_CONVERSION);
    }
    frames = static_cast<std::uint32_t>(count);
    return true;
}

}  // namespace sonaro
