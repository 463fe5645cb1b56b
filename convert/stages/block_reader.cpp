#include "convert/stages/block_reader.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

#include "convert/stages/stage_runner.h"

namespace sonaro {

BlockReader::BlockReader(File& file, std::uint64_t total, std::size_t capacity, std::uint8_t fill)
    : file_(file),
      unread_(total),
      fill_(fill),
      buffer_(static_cast<std::size_t>(std::min<std::uint64_t>(total, capacity))) {}

void BlockReader::Restart(std::uint64_t total) {
    unread_ = total;
    begin_ = 0;
    end_ = 0;
}

const std::uint8_t* BlockReader::Next(std::size_t size) {
    if (size > buffer_.size()) {
        throw std::logic_error("a piece larger than the read buffer");
    }
    if (end_ - begin_ < size) {
        // Keep the part not yet handed out, then fill the rest of the buffer.
        std::memmove(buffer_.data(), buffer_.data() + begin_, end_ - begin_);
        end_ -= begin_;
        begin_ = 0;
        const auto count =
            static_cast<std::size_t>(std::min<std::uint64_t>(buffer_.size() - end_, unread_));
        if (count > 0) {
            ReadOrFill(file_, buffer_.data() + end_, count, fill_);
        }
        unread_ -= count;
        end_ += count;
        if (end_ - begin_ < size) {
            throw std::logic_error("a piece beyond the bytes to read");
        }
    }
    const std::uint8_t* piece = buffer_.data() + begin_;
    begin_ += size;
    return piece;
}

}  // namespace sonaro
