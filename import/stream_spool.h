#pragma once

#include <string>

#include "convert/stages/progress_reporter.h"

namespace sonaro {

// A copy of a stream (a pipe, a terminal) in a file without a name, so that the decoder reads it
// as it reads any file: with its real length (a streamed header announces none, or a
// placeholder) and free to seek. Having no name, the copy goes with its descriptor, however the
// program ends.
class StreamSpool {
  public:
    // Makes the file in that directory; throws FileException when it cannot.
    explicit StreamSpool(const std::string& directory);
    ~StreamSpool();
    StreamSpool(const StreamSpool&) = delete;
    StreamSpool& operator=(const StreamSpool&) = delete;

    // Whether the path names something other than a regular file (false when it names nothing).
    static bool IsStream(const std::string& path);

    // Copies all that the stream gives until it ends, then goes back to the copy's start;
    // answers false when the user cancelled. Throws FileException when a read or write fails.
    bool Fill(const std::string& stream, ProgressReporter& reporter);

    int descriptor() const { return fd_; }

  private:
    void Write(const void* bytes, std::size_t size);

    std::string directory_;
    int fd_ = -1;
};

}  // namespace sonaro
