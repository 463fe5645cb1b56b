#pragma once

#include <cstddef>
#include <cstdint>
#include <new>
#include <string>

#include "convert/files/file.h"
#include "convert/files/file_error_report.h"
#include "convert/stages/stage_context.h"
#include "resources/string_ids.h"

namespace sonaro {

// Runs the file work of one conversion stage and answers its result. A failed file operation or
// a buffer that cannot be allocated is shown to the user as one message, and the answer is then
// false. The work shows its own message before it answers false for any other reason.
template <typename Work>
bool RunStage(StageContext& context, Work&& work) {
    try {
        return work();
    } catch (const FileException& error) {
        ReportFileError(context.messages, error);
    } catch (const std::bad_alloc&) {
        ShowStringMessage(context.messages, IDS_MEMORY_ALLOCATION);
    }
    return false;
}

// How many blocks of blockSize hold total items; the last block may be shorter.
constexpr std::uint64_t BlockCount(std::uint64_t total, std::uint64_t blockSize) {
    return total / blockSize + (total % blockSize != 0 ? 1 : 0);
}

// The end of a stage that consumes its input: closes the input and removes it, then closes the
// output, so that a failure to write the output back is still reported.
void FinishAndRemoveInput(File& input, const std::string& inputPath, File& output);

// Reads size bytes into the buffer. When the file holds fewer, the rest of the buffer is set to
// fill (the format's silence), so that missing data never reads as what a previous block left.
void ReadOrFill(File& file, void* buffer, std::size_t size, std::uint8_t fill);

}  // namespace sonaro
