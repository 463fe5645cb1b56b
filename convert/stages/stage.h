#pragma once

#include <cstdint>
#include <string>

#include "convert/files/outcome.h"
#include "convert/stages/progress_port.h"

namespace sonaro {

class BackgroundCloser;
class GrowingFile;

// A stage's share of the progress bar: the report of block index of count moves the bar to
// base + span × index ÷ count, formed in floating point and truncated toward zero.
struct BarShare {
    int base;
    int span;

    int Position(std::uint64_t index, std::uint64_t count) const;
};

// What a stage reads: a file, the offset of its first byte to read, and how much it should hold
// from there (frames of samples; for a decoder the bytes of coded data its header claims). A file
// that holds less is read as far as it goes. A consumed input is removed when the stage is done,
// and then closed by the closer when one is given. An input still being written by the stage
// before, beside this one, is read as it grows.
struct StageInput {
    std::string path;
    std::uint64_t offset = 0;
    std::uint32_t count = 0;
    bool consumed = false;
    GrowingFile* growing = nullptr;
    BackgroundCloser* closer = nullptr;
};

// One call of a stage: what it reads, the file it writes (created, or emptied), and its share of
// the bar; and whether the stage after reads that file beside it, as it grows.
struct StageCall {
    StageInput input;
    std::string output;
    BarShare bar;
    GrowingFile* followedBy = nullptr;
};

// The shape every stage of the conversion chain has: it reads its input, writes its output,
// reports its progress and stops when asked to, and hands back the number of frames it wrote,
// or why it failed (a stop is the failure "Conversion cancelled."). A stage that fails leaves its
// files for the caller to remove. A fault of the program itself (a broken rule, std::logic_error)
// leaves it as an exception, which the conversion operation turns into a failure. What sets one
// stage apart from another (the source's format, the rate, the volume) is given to it when it is
// made.
class Stage {
  public:
    virtual ~Stage() = default;
    virtual Outcome<std::uint32_t> Run(const StageCall& call, ProgressPort& progress) const = 0;
};

}  // namespace sonaro
