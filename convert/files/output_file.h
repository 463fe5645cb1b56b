#pragma once

#include <cstddef>
#include <optional>
#include <string>

#include "convert/files/file.h"
#include "convert/files/replacement_file.h"

namespace sonaro {

// Where a result is written. A regular file, a link to one, or a name not taken yet is replaced
// whole (a ReplacementFile). An existing FIFO, device or socket is never replaced: the result is
// written into it as a stream, as any Unix tool does; "-" is the standard output. A directory is
// refused. Every failure names the destination as it was given.
class OutputFile {
  public:
    // Throws FileException when the destination cannot be written.
    explicit OutputFile(const std::string& destination);

    void Write(const void* buffer, std::size_t count);
    // The result is complete: a replacement is put in place, a stream closed.
    void Commit();

  private:
    // Runs the operation; a failure is thrown again as one of the destination.
    template <typename Operation>
    void Naming(Operation operation);

    std::string destination_;
    std::optional<ReplacementFile> replacement_;
    File stream_;
};

}  // namespace sonaro
