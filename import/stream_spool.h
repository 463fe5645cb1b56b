#pragma once

#include <string>

#include "convert/stages/progress_reporter.h"

namespace sonaro {

// A copy of a stream (a pipe, a terminal) in a file, so that libsndfile reads it as it reads any
// file: with its real length (a streamed header announces none, or a placeholder) and free to
// seek. The copy is removed when the object goes.
class StreamSpool {
  public:
    explicit StreamSpool(std::string path) : path_(std::move(path)) {}
    ~StreamSpool();
    StreamSpool(const StreamSpool&) = delete;
    StreamSpool& operator=(const StreamSpool&) = delete;

    // Whether the path names something other than a regular file (false when it names nothing).
    static bool IsStream(const std::string& path);

    // Copies all that the stream gives until it ends; answers false when the user cancelled.
    // Throws FileException when a read or write fails.
    bool Fill(const std::string& stream, ProgressReporter& reporter);

    const std::string& path() const { return path_; }

  private:
    std::string path_;
};

}  // namespace sonaro
