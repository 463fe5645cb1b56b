#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>

#include "import/import_plan.h"

// The decoder process starts with a socket as its standard input and waits there for its job:
// one message of the job's words, each ended by a NUL byte, at most kMaxJobBytes ("decode",
// "--cpu=SECONDS", "--memory=MIB", or "extensions"), with the file to decode as an open
// descriptor (SCM_RIGHTS). So it can be started before it is needed; it locks itself down once
// it has its job, before it reads a byte of the file.
//
// What the decoder process sends back through its standard output: records, each an 8-byte head
// (the record's type and the length of what follows, both little-endian 32-bit numbers) and that
// many bytes. A decode sends Sound, then Samples until End; a Failure may come instead of any of
// them and ends the conversation too. Asked for its file endings, it sends Extension records,
// then End.
namespace sonaro::decoder {

static_assert(std::endian::native == std::endian::little,
              "samples travel in the machine's own order, which must be little-endian");

enum class RecordType : std::uint32_t {
    Sound = 1,      // the source: kSoundBytes, below
    Samples = 2,    // the share of the input read (millionths, 32 bits), then samples
    Failure = 3,    // why the file cannot be decoded, printable ASCII
    End = 4,        // nothing more follows
    Extension = 5,  // one file-name ending, lower-case letters and digits
};

inline constexpr std::size_t kMaxJobBytes = 256;
inline constexpr std::size_t kHeadBytes = 8;
// The longest payload a record may have; the decoder's largest (8192 stereo float frames) is
// 64 KiB and 4 bytes.
inline constexpr std::size_t kMaxPayloadBytes = std::size_t{1} << 20;
inline constexpr std::size_t kMaxTextBytes = 512;
inline constexpr std::size_t kMaxExtensionBytes = 16;
inline constexpr std::size_t kMaxExtensions = 256;
inline constexpr std::uint32_t kProgressScale = 1000000;

// The Sound record: version, channels, rate, sample kind (SampleKind), all 32-bit, then the
// frame count the source announces (64-bit, -1 when unknown before its end).
inline constexpr std::uint32_t kVersion = 1;
inline constexpr std::size_t kSoundBytes = 24;
// The most channels a source may have (libsndfile's own limit).
inline constexpr std::uint32_t kMaxChannels = 1024;

// The source as the Sound record describes it.
struct SourceFacts {
    std::uint32_t channels = 0;
    std::uint32_t rate = 0;
    SampleKind kind = SampleKind::Other;
    std::int64_t frames = -1;
};

}  // namespace sonaro::decoder
