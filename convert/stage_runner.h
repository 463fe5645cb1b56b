#pragma once

#include <cstddef>
#include <cstdint>
#include <new>

#include "convert/file.h"
#include "convert/file_error_report.h"
#include "convert/stage_context.h"
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

// Reads size bytes into the buffer. When the file holds fewer, the rest of the buffer is set to
// fill (the format's silence), so that missing data never reads as what a previous block left.
void ReadOrFill(File& file, void* buffer, std::size_t size, std::uint8_t fill);

}  // namespace sonaro
