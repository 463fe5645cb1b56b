#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "convert/files/file.h"

namespace sonaro {

// A stage's output file. It collects the output in one large buffer and writes it in few large
// writes; the stage makes its values in place, in the room Next gives, or appends them. All
// writing of the stages passes through here.
class StageWriter {
  public:
    // What is held back when the stage reports its progress.
    enum class AtReport {
        WriteOut,  // written before every pump: the file holds all made up to the last report
        Keep,      // kept until the buffer is full: the file holds whole buffers only
    };

    // Makes the buffer of capacity bytes; throws std::bad_alloc when it cannot be had.
    void Reserve(std::size_t capacity, AtReport atReport = AtReport::WriteOut);
    // Creates the file, or empties it, for writing.
    void Open(const std::string& path);

    // Room for the next size bytes (at most the capacity), valid until the next call; what is
    // held is written first when it would not fit.
    std::uint8_t* Next(std::size_t size);
    // Copies the bytes into the buffer, writing it each time it is full.
    void Append(const void* data, std::size_t size);
    // Writes out what is held.
    void Flush();
    // Called at a report: writes out what is held unless it is to be kept.
    void Report();
    // Writes out what is held and closes the file.
    void Close();

  private:
    File file_;
    std::vector<std::uint8_t> buffer_;
    std::size_t held_ = 0;
    AtReport atReport_ = AtReport::WriteOut;
};

}  // namespace sonaro
