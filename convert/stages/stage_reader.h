#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "convert/files/background_closer.h"
#include "convert/files/file.h"
#include "convert/stages/growing_file.h"

namespace sonaro {

// A stage's input file. It reads a stretch of the file in few large reads and hands it out piece
// by piece, in place, without copying it again. Bytes the file does not have read as the fill
// byte (the format's silence), never as what an earlier read left. All reading of the stages
// passes through here.
class StageReader {
  public:
    // Makes the buffer: room for capacity bytes, and no more than total, the bytes to hand out.
    // Throws std::bad_alloc when the room cannot be had.
    void Reserve(std::uint64_t total, std::size_t capacity, std::uint8_t fill);

    // Opens the file for reading, from its start or from offset on.
    void Open(const std::string& path);
    void OpenAt(const std::string& path, std::uint64_t offset);
    // Reads the file as the stage beside, which writes it, makes it grow: every read waits until
    // its bytes are there (or the writer ended).
    void Follow(GrowingFile* growing) { growing_ = growing; }
    // Limits the bytes to hand out to those the file holds from the offset on, and answers them
    // (of a growing file, those its writer will have written).
    std::uint64_t LimitToFile();

    // The next size bytes (at most the room), valid until the next call.
    const std::uint8_t* Next(std::size_t size);
    // Hands out the same bytes again, from the offset on.
    void Rewind();
    // Reads size bytes from position of the file into the memory given, bypassing the buffer;
    // those beyond the end of the file read as the fill. Several threads may read at once.
    void ReadAt(std::uint64_t position, void* into, std::size_t size);

    std::uint64_t Length() const { return file_.GetLength(); }
    const std::string& path() const { return file_.path(); }
    void Close() { file_.Close(); }
    // Hands the file over to be closed on the side.
    void CloseBy(BackgroundCloser& closer) { closer.Close(std::move(file_)); }

  private:
    void Fill(std::uint8_t* into, std::size_t size);
    // Waits until a growing file holds bytes bytes.
    void AwaitBytes(std::uint64_t bytes) const;

    File file_;
    std::uint64_t offset_ = 0;
    std::uint64_t total_ = 0;   // bytes to hand out from the offset on
    std::uint64_t unread_ = 0;  // of those, not yet read from the file
    std::uint8_t fill_ = 0;
    GrowingFile* growing_ = nullptr;
    std::vector<std::uint8_t> buffer_;
    std::size_t begin_ = 0;  // the first byte not yet handed out
    std::size_t end_ = 0;    // one past the last byte read
};

}  // namespace sonaro
