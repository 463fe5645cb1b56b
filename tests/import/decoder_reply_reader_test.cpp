// The reader of what a decoder process sends back: every rule of the protocol broken once, each
// limit met and passed by one, and the same records read whole or a byte at a time.
#include "import/decoder_reply_reader.h"

#include <gtest/gtest.h>

#include <climits>
#include <optional>

#include "convert/formats/little_endian.h"
#include "import/decoder_stopped.h"

namespace sonaro {
namespace {

using decoder::RecordType;
using Bytes = std::vector<std::uint8_t>;
using Asked = DecoderReplyReader::Asked;

void Put32(Bytes& bytes, std::uint32_t value) {
    bytes.resize(bytes.size() + 4);
    StoreLE32(&bytes[bytes.size() - 4], value);
}

Bytes Record(std::uint32_t type, const Bytes& payload) {
    Bytes bytes;
    Put32(bytes, type);
    Put32(bytes, static_cast<std::uint32_t>(payload.size()));
    bytes.insert(bytes.end(), payload.begin(), payload.end());
    return bytes;
}

Bytes Record(RecordType type, const Bytes& payload = {}) {
    return Record(static_cast<std::uint32_t>(type), payload);
}

Bytes Sound(std::uint32_t channels, std::uint32_t rate, std::uint32_t kind = 1,
            std::int64_t frames = 1000, std::uint32_t version = decoder::kVersion) {
    Bytes payload;
    for (const std::uint32_t value : {version, channels, rate, kind}) {
        Put32(payload, value);
    }
    Put32(payload, static_cast<std::uint32_t>(frames));
    Put32(payload, static_cast<std::uint32_t>(static_cast<std::uint64_t>(frames) >> 32));
    return Record(RecordType::Sound, payload);
}

Bytes Samples(std::size_t bytes, std::uint32_t progress = 500000) {
    Bytes payload;
    Put32(payload, progress);
    for (std::size_t i = 0; i < bytes; ++i) {
        payload.push_back(static_cast<std::uint8_t>(i * 7 + 1));
    }
    return Record(RecordType::Samples, payload);
}

Bytes Text(RecordType type, const std::string& text) {
    return Record(type, Bytes(text.begin(), text.end()));
}

Bytes operator+(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// 16-bit stereo at an accepted rate: copied, 4 bytes a frame.
const Bytes kStereo = Sound(2, 44100);
const Bytes kEnd = Record(RecordType::End);

// The types of the records read, the bytes given in pieces of `piece` (0: all at once); a
// breach ends the list with nullopt.
std::vector<std::optional<RecordType>> Read(Asked asked, const Bytes& bytes, std::size_t piece) {
    DecoderReplyReader reader(asked);
    std::vector<std::optional<RecordType>> types;
    try {
        const std::size_t step = piece == 0 ? bytes.size() : piece;
        for (std::size_t at = 0; at < bytes.size(); at += step) {
            reader.Append(bytes.data() + at, std::min(step, bytes.size() - at));
            DecoderReply reply;
            while (reader.Next(reply)) {
                types.emplace_back(reply.type);
            }
        }
    } catch (const DecoderStopped&) {
        types.emplace_back(std::nullopt);
    }
    return types;
}

struct ReaderCase {
    const char* name;
    Asked asked;
    Bytes bytes;
    std::vector<std::optional<RecordType>> expected;  // nullopt: the breach that ends it
};

class ReplyReaderTest : public ::testing::TestWithParam<ReaderCase> {};

TEST_P(ReplyReaderTest, ReadsWholeAndByteByByteAlike) {
    const ReaderCase& c = GetParam();
    EXPECT_EQ(Read(c.asked, c.bytes, 0), c.expected) << "whole";
    EXPECT_EQ(Read(c.asked, c.bytes, 1), c.expected) << "a byte at a time";
    EXPECT_EQ(Read(c.asked, c.bytes, 5), c.expected) << "five bytes at a time";
}

constexpr auto S = RecordType::Sound;
constexpr auto M = RecordType::Samples;
constexpr auto F = RecordType::Failure;
constexpr auto E = RecordType::End;
constexpr auto X = RecordType::Extension;
constexpr std::nullopt_t kBreach = std::nullopt;

Bytes Extensions(int count, const std::string& ending = "wav") {
    Bytes bytes;
    for (int i = 0; i < count; ++i) {
        bytes = bytes + Text(X, ending);
    }
    return bytes;
}

INSTANTIATE_TEST_SUITE_P(
    Records, ReplyReaderTest,
    ::testing::Values(
        ReaderCase{"Decoded", Asked::Sound, kStereo + Samples(8) + Samples(4) + kEnd, {S, M, M, E}},
        ReaderCase{"RefusedAtOnce", Asked::Sound, Text(F, "Format not recognised."), {F}},
        ReaderCase{"FailedMidway", Asked::Sound, kStereo + Samples(4) + Text(F, "x"), {S, M, F}},
        ReaderCase{"Endings", Asked::Extensions, Text(X, "wav") + Text(X, "flac") + kEnd,
                   {X, X, E}},
        ReaderCase{"NoEndYet", Asked::Sound, kStereo + Samples(4), {S, M}},
        ReaderCase{"PartialRecordWaits", Asked::Sound, kStereo + Bytes{2, 0, 0}, {S}},
        // The limits, met.
        ReaderCase{"MostChannels", Asked::Sound, Sound(1024, 48000, 2) + Samples(4) + kEnd,
                   {S, M, E}},
        ReaderCase{"HighestRate", Asked::Sound, Sound(1, INT_MAX, 2, -1), {S}},
        ReaderCase{"WholeProgress", Asked::Sound, kStereo + Samples(4, 1000000), {S, M}},
        ReaderCase{"LongestText", Asked::Sound, Text(F, std::string(512, 'a')), {F}},
        ReaderCase{"LongestEnding", Asked::Extensions, Text(X, std::string(16, 'z')) + kEnd,
                   {X, E}},
        ReaderCase{"MostEndings", Asked::Extensions, Extensions(256) + kEnd,
                   [] {
                       std::vector<std::optional<RecordType>> v(256, X);
                       v.emplace_back(E);
                       return v;
                   }()},
        // The limits, passed.
        ReaderCase{"HugeRecordRefusedFromItsHead", Asked::Sound,
                   Bytes{2, 0, 0, 0, 1, 0, 0x10, 0}, {kBreach}},
        ReaderCase{"UnknownType", Asked::Sound, Record(99, {}), {kBreach}},
        ReaderCase{"SamplesFirst", Asked::Sound, Samples(4), {kBreach}},
        ReaderCase{"EndFirst", Asked::Sound, kEnd, {kBreach}},
        ReaderCase{"TwoSounds", Asked::Sound, kStereo + kStereo, {S, kBreach}},
        ReaderCase{"OtherVersion", Asked::Sound, Sound(2, 44100, 1, 0, 2), {kBreach}},
        ReaderCase{"NoChannels", Asked::Sound, Sound(0, 44100), {kBreach}},
        ReaderCase{"TooManyChannels", Asked::Sound, Sound(1025, 44100), {kBreach}},
        ReaderCase{"NoRate", Asked::Sound, Sound(1, 0), {kBreach}},
        ReaderCase{"RateAboveInt", Asked::Sound, Sound(1, 0x80000000U), {kBreach}},
        ReaderCase{"UnknownKind", Asked::Sound, Sound(1, 8000, 3), {kBreach}},
        ReaderCase{"NegativeFrames", Asked::Sound, Sound(1, 8000, 1, -2), {kBreach}},
        ReaderCase{"ShortSound", Asked::Sound,
                   [] {
                       const Bytes whole = Sound(1, 8000);
                       return Record(S, Bytes(whole.begin() + 8, whole.end() - 1));
                   }(),
                   {kBreach}},
        ReaderCase{"EmptySamples", Asked::Sound, kStereo + Samples(0), {S, kBreach}},
        ReaderCase{"HalfACopiedFrame", Asked::Sound, kStereo + Samples(6), {S, kBreach}},
        ReaderCase{"HalfAFloat", Asked::Sound, Sound(6, 48000) + Samples(6), {S, kBreach}},
        ReaderCase{"FloatFramesOfMixedSound", Asked::Sound, Sound(6, 48000) + Samples(8) + kEnd,
                   {S, M, E}},
        ReaderCase{"ProgressPastTheEnd", Asked::Sound, kStereo + Samples(4, 1000001),
                   {S, kBreach}},
        ReaderCase{"EmptyText", Asked::Sound, Text(F, ""), {kBreach}},
        ReaderCase{"LineBreakInText", Asked::Sound, Text(F, "two\nlines"), {kBreach}},
        ReaderCase{"TextTooLong", Asked::Sound, Text(F, std::string(513, 'a')), {kBreach}},
        ReaderCase{"EndWithPayload", Asked::Sound, kStereo + Record(E, Bytes{0}), {S, kBreach}},
        ReaderCase{"BytesAfterEnd", Asked::Sound, kStereo + kEnd + Bytes{0}, {S, E, kBreach}},
        ReaderCase{"RecordAfterFailure", Asked::Sound, Text(F, "x") + kEnd, {F, kBreach}},
        ReaderCase{"EndingWhenSoundAsked", Asked::Sound, Text(X, "wav"), {kBreach}},
        ReaderCase{"SoundWhenEndingsAsked", Asked::Extensions, kStereo, {kBreach}},
        ReaderCase{"UpperCaseEnding", Asked::Extensions, Text(X, "WAV"), {kBreach}},
        ReaderCase{"DottedEnding", Asked::Extensions, Text(X, ".wav"), {kBreach}},
        ReaderCase{"EndingTooLong", Asked::Extensions, Text(X, std::string(17, 'z')),
                   {kBreach}},
        ReaderCase{"TooManyEndings", Asked::Extensions, Extensions(257),
                   [] {
                       std::vector<std::optional<RecordType>> v(256, X);
                       v.emplace_back(kBreach);
                       return v;
                   }()}),
    [](const auto& row) { return std::string(row.param.name); });

// What the records hold comes out as sent; the plan follows from the source.
TEST(ReplyReader, HandsOutTheValuesAndThePlan) {
    DecoderReplyReader reader(Asked::Sound);
    const Bytes bytes = Sound(6, 44100, 1, 123456789012LL) + Samples(8, 250000) + Text(F, "Why.");
    reader.Append(bytes.data(), bytes.size());
    DecoderReply reply;
    ASSERT_TRUE(reader.Next(reply));
    EXPECT_EQ(reply.source.channels, 6U);
    EXPECT_EQ(reply.source.rate, 44100U);
    EXPECT_EQ(reply.source.kind, SampleKind::Int16);
    EXPECT_EQ(reply.source.frames, 123456789012LL);
    EXPECT_EQ(reader.plan().channels, 1);
    EXPECT_FALSE(reader.plan().copy);
    EXPECT_EQ(reader.frameBytes(), 4U);
    ASSERT_TRUE(reader.Next(reply));
    EXPECT_EQ(reply.progress, 250000U);
    ASSERT_EQ(reply.sampleBytes, 8U);
    EXPECT_EQ(Bytes(reply.samples, reply.samples + 8), (Bytes{1, 8, 15, 22, 29, 36, 43, 50}));
    EXPECT_FALSE(reader.ended());
    ASSERT_TRUE(reader.Next(reply));
    EXPECT_EQ(reply.text, "Why.");
    EXPECT_TRUE(reader.ended());
    EXPECT_FALSE(reader.Next(reply));
    EXPECT_THROW(reader.Append(bytes.data(), 1), DecoderStopped);
}

}  // namespace
}  // namespace sonaro
