#include "convert/stages/block_writer.h"

#include <stdexcept>

namespace sonaro {

BlockWriter::BlockWriter(File& file, std::size_t capacity) : file_(file), buffer_(capacity) {}

std::uint8_t* BlockWriter::Next(std::size_t size) {
    if (size > buffer_.size()) {
        throw std::logic_error("a piece larger than the write buffer");
    }
    if (held_ + size > buffer_.size()) {
        Flush();
    }
    std::uint8_t* room = buffer_.data() + held_;
    held_ += size;
    return room;
}

void BlockWriter::Flush() {
    if (held_ > 0) {
        const std::size_t size = held_;
        held_ = 0;  // a failed write is not tried again
        file_.Write(buffer_.data(), size);
    }
}

}  // namespace sonaro
