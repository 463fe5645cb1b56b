#include "convert/files/file_copy.h"

#include <algorithm>
#include <new>
#include <vector>

#include "convert/files/file.h"
#include "convert/files/file_error_report.h"
#include "convert/files/output_file.h"
#include "resources/string_table.h"

namespace sonaro {
namespace {

constexpr std::uint64_t kBlockSize = 8000;

}  // namespace

bool CopyFileInBlocks(MessagePort& messages, const std::string& destination,
                      const std::string& source) {
    File input;
    if (!input.TryOpen(source, File::Mode::Read)) {
        messages.ShowFileMessage({destination, LoadString(IDS_TEMP_FILE_REMOVED)});
        return false;
    }
    try {
        OutputFile output(destination);
        const std::uint64_t length = input.GetLength();
        std::vector<char> buffer;
        try {
            buffer.resize(static_cast<std::size_t>(std::min(length, kBlockSize)));
        } catch (const std::bad_alloc&) {
            messages.ShowFileMessage({destination, LoadString(IDS_MEMORY_ALLOCATION)});
            return false;
        }
        for (std::uint64_t remaining = length; remaining > 0;) {
            const auto wanted = static_cast<std::size_t>(std::min(remaining, kBlockSize));
            const std::size_t got = input.Read(buffer.data(), wanted);
            output.Write(buffer.data(), got);
            if (got < wanted) {
                break;  // the file became shorter meanwhile: copy what it holds
            }
            remaining -= got;
        }
        output.Commit();
        return true;
    } catch (const FileException& error) {
        ShowFileError(messages, error);
        return false;
    }
}

}  // namespace sonaro
