#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "convert/files/file.h"
#include "convert/stages/growing_file.h"

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
    // Tells the stage beside, which reads the file, how far it has grown after every write.
    void FollowedBy(GrowingFile* growing) { growing_ = growing; }

    // Room for the next size bytes (at most the capacity), valid until the next call; what is
    // held is written first when it would not fit.
    std::uint8_t* Next(std::size_t size);
    // Room for the next size bytes (at most the capacity), made ahead of the output: they stay
    // out of the file until PassOn gives them (from the first on) to it. Made ahead of a report,
    // they are not written at it, so a cancel there leaves them out.
    std::uint8_t* Ahead(std::size_t size);
    void PassOn(std::size_t size);
    // Copies the bytes into the buffer, writing it each time it is full.
    void Append(const void* data, std::size_t size);
    // Writes out what is held.
    void Flush();
    // Called at a report: writes out what is held unless it is to be kept.
    void Report();
    // Writes out what is held and closes the file.
    void Close();

  private:
    void Write(const std::uint8_t* bytes, std::size_t size);

    File file_;
    std::vector<std::uint8_t> buffer_;
    std::size_t held_ = 0;   // bytes of the output in the buffer
    std::size_t ahead_ = 0;  // bytes made ahead, after them
    AtReport atReport_ = AtReport::WriteOut;
    GrowingFile* growing_ = nullptr;
    std::uint64_t written_ = 0;  // bytes written to the file
};

}  // namespace sonaro
