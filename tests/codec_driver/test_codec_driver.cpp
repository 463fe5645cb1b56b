// A codec driver for the tests. It takes the one Voxware format the reader accepts (or, built with
// another TEST_CODEC_TAG, a format of that tag) and decodes each 27-byte block to 720 samples of
// 16-bit mono PCM at 8000 Hz by this rule: byte 0's low four bits plus one give a step size,
// bytes 1 and 2 a start value (little-endian), and each of the 24 further bytes a signed slope
// that is added, times the step, 30 times, the running value clipped to 16 bits and written after
// each addition. The codec bytes can make an operation fail (see test_codec_control.h).
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <new>
#include <thread>

#include "convert/codecs/codec_driver_api.h"
#include "tests/codec_driver/test_codec_control.h"

#ifndef TEST_CODEC_TAG
#define TEST_CODEC_TAG 0x74
#endif
#ifndef TEST_CODEC_API_VERSION
#define TEST_CODEC_API_VERSION SONARO_CODEC_DRIVER_API_VERSION
#endif

#define TEST_CODEC_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

using sonaro::test::TestCodecFault;

constexpr std::uint32_t kBlockBytes = 27;
constexpr std::uint32_t kSegments = 24;
constexpr std::uint32_t kSegmentSamples = 30;
constexpr std::uint32_t kBlockOutput = sonaro::test::kTestCodecBlockSamples * 2;

std::atomic<int> openStreams{0};
std::atomic<int> preparedBuffers{0};

struct Stream {
    TestCodecFault fault;
    int nth;
    std::uint8_t flags;
    int calls[static_cast<int>(TestCodecFault::Close) + 1] = {};
    int prepared = 0;
};

bool Accepts(const sonaro_codec_format* format) {
    return format->format_tag == TEST_CODEC_TAG && format->channels == 1 &&
           format->samples_per_sec == 8000 && format->avg_bytes_per_sec == 300 &&
           format->block_align == kBlockBytes && format->bits_per_sample == 16 &&
           format->extra_size == 16;
}

sonaro_codec_format PcmFormat() {
    sonaro_codec_format pcm{};
    pcm.format_tag = 1;
    pcm.channels = 1;
    pcm.samples_per_sec = 8000;
    pcm.avg_bytes_per_sec = 16000;
    pcm.block_align = 2;
    pcm.bits_per_sample = 16;
    return pcm;
}

bool IsPcmFormat(const sonaro_codec_format* format) {
    const sonaro_codec_format pcm = PcmFormat();
    return format->format_tag == pcm.format_tag && format->channels == pcm.channels &&
           format->samples_per_sec == pcm.samples_per_sec &&
           format->avg_bytes_per_sec == pcm.avg_bytes_per_sec &&
           format->block_align == pcm.block_align && format->bits_per_sample == pcm.bits_per_sample;
}

TestCodecFault FaultOf(const sonaro_codec_format* format) {
    return static_cast<TestCodecFault>(format->extra[0]);
}

// Counts a call of the operation on the stream; answers whether this call is to fail.
bool Fails(sonaro_codec_stream handle, TestCodecFault operation) {
    auto* stream = static_cast<Stream*>(handle);
    const int call = ++stream->calls[static_cast<int>(operation)];
    return stream->fault == operation && call == stream->nth;
}

void DecodeBlock(const std::uint8_t* block, std::uint8_t* out) {
    const int step = 1 + (block[0] & 0x0F);
    int value = static_cast<std::int16_t>(block[1] | (block[2] << 8));
    for (std::uint32_t segment = 0; segment < kSegments; ++segment) {
        const int slope = static_cast<std::int8_t>(block[3 + segment]);
        for (std::uint32_t k = 0; k < kSegmentSamples; ++k) {
            value = std::clamp(value + slope * step, -32768, 32767);
            const auto sample = static_cast<std::uint16_t>(value);
            *out++ = static_cast<std::uint8_t>(sample & 0xFF);
            *out++ = static_cast<std::uint8_t>(sample >> 8);
        }
    }
}

int Suggest(const sonaro_codec_format* source, sonaro_codec_format* destination) {
    if (!Accepts(source) || destination->format_tag != 1) {
        return sonaro::test::kTestCodecRefused;
    }
    if (FaultOf(source) == TestCodecFault::Suggest) {
        return sonaro::test::kTestCodecInjected;
    }
    *destination = PcmFormat();
    return 0;
}

int Open(sonaro_codec_stream* handle, const sonaro_codec_format* source,
         const sonaro_codec_format* destination) {
    if (!Accepts(source) || !IsPcmFormat(destination)) {
        return sonaro::test::kTestCodecRefused;
    }
    const TestCodecFault fault = FaultOf(source);
    if (fault == (handle == nullptr ? TestCodecFault::Query : TestCodecFault::Open)) {
        return sonaro::test::kTestCodecInjected;
    }
    if (handle != nullptr) {
        *handle = new Stream{fault, std::max<int>(1, source->extra[1]), source->extra[2]};
        ++openStreams;
    }
    return 0;
}

int Size(sonaro_codec_stream handle, std::uint32_t sourceBytes, std::uint32_t* destinationBytes) {
    if (Fails(handle, TestCodecFault::Size)) {
        return sonaro::test::kTestCodecInjected;
    }
    const auto* stream = static_cast<Stream*>(handle);
    const std::uint32_t blocks = (sourceBytes + kBlockBytes - 1) / kBlockBytes;
    *destinationBytes =
        blocks * kBlockOutput + ((stream->flags & sonaro::test::kTestCodecOddSize) ? 1 : 0);
    return 0;
}

int Prepare(sonaro_codec_stream handle, const sonaro_codec_buffers*) {
    if (Fails(handle, TestCodecFault::Prepare)) {
        return sonaro::test::kTestCodecInjected;
    }
    ++static_cast<Stream*>(handle)->prepared;
    ++preparedBuffers;
    return 0;
}

int Unprepare(sonaro_codec_stream handle, const sonaro_codec_buffers*) {
    if (Fails(handle, TestCodecFault::Unprepare)) {
        return sonaro::test::kTestCodecInjected;
    }
    --static_cast<Stream*>(handle)->prepared;
    --preparedBuffers;
    return 0;
}

int Convert(sonaro_codec_stream handle, sonaro_codec_buffers* buffers, std::uint32_t) {
    if (Fails(handle, TestCodecFault::Convert)) {
        return sonaro::test::kTestCodecInjected;
    }
    const std::uint32_t blocks = buffers->source_length / kBlockBytes;
    if (buffers->destination_length < blocks * kBlockOutput) {
        return sonaro::test::kTestCodecTooSmall;
    }
    const std::uint8_t flags = static_cast<Stream*>(handle)->flags;
    if (flags & sonaro::test::kTestCodecSlow) {
        std::this_thread::sleep_for(std::chrono::milliseconds(blocks));
    }
    for (std::uint32_t i = 0; i < blocks; ++i) {
        DecodeBlock(buffers->source + i * kBlockBytes, buffers->destination + i * kBlockOutput);
    }
    buffers->source_length_used = blocks * kBlockBytes;
    buffers->destination_length_used = blocks * kBlockOutput;
    if (flags & sonaro::test::kTestCodecOverlong) {
        buffers->destination_length_used = buffers->destination_length + 1;
    }
    if ((flags & sonaro::test::kTestCodecOddUsed) && blocks > 0) {
        --buffers->destination_length_used;
    }
    return 0;
}

// Closing releases the stream and what was left prepared on it.
int Close(sonaro_codec_stream handle) {
    if (Fails(handle, TestCodecFault::Close)) {
        return sonaro::test::kTestCodecInjected;
    }
    const auto* stream = static_cast<Stream*>(handle);
    preparedBuffers -= stream->prepared;
    delete stream;
    --openStreams;
    return 0;
}

const sonaro_codec_driver kDriver = {
    TEST_CODEC_API_VERSION, Suggest, Open, Size, Prepare, Unprepare, Convert, Close};

}  // namespace

TEST_CODEC_EXPORT const sonaro_codec_driver* sonaro_codec_driver_entry(void) {
    return &kDriver;
}

// What the tests look at to learn that nothing was left behind.
TEST_CODEC_EXPORT int sonaro_test_codec_open_streams(void) {
    return openStreams;
}

TEST_CODEC_EXPORT int sonaro_test_codec_prepared_buffers(void) {
    return preparedBuffers;
}
