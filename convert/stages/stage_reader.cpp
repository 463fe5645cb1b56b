#include "convert/stages/stage_reader.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace sonaro {

void StageReader::Reserve(std::uint64_t total, std::size_t capacity, std::uint8_t fill) {
    buffer_.resize(static_cast<std::size_t>(std::min<std::uint64_t>(total, capacity)));
    total_ = total;
    unread_ = total;
    fill_ = fill;
}

void StageReader::Open(const std::string& path) {
    file_.Open(path, File::Mode::Read);
}

void StageReader::OpenAt(const std::string& path, std::uint64_t offset) {
    file_.Open(path, File::Mode::Read);
    file_.Seek(static_cast<std::int64_t>(offset), File::SeekFrom::Begin);
    offset_ = offset;
}

std::uint64_t StageReader::LimitToFile() {
    // A growing file is limited to what its writer will have written.
    const std::uint64_t length =
        growing_ != nullptr ? growing_->PromisedBytes() : file_.GetLength();
    total_ = std::min(total_, length > offset_ ? length - offset_ : 0);
    unread_ = total_;
    return total_;
}

void StageReader::Rewind() {
    file_.Seek(static_cast<std::int64_t>(offset_), File::SeekFrom::Begin);
    unread_ = total_;
    begin_ = 0;
    end_ = 0;
}

void StageReader::AwaitBytes(std::uint64_t bytes) const {
    if (growing_ != nullptr) {
        growing_->AwaitBytes(bytes);
    }
}

void StageReader::Fill(std::uint8_t* into, std::size_t size) {
    AwaitBytes(offset_ + (total_ - unread_) + size);
    const std::size_t got = file_.Read(into, size);
    if (got < size) {
        std::memset(into + got, fill_, size - got);
    }
}

void StageReader::ReadAt(std::uint64_t position, void* into, std::size_t size) {
    auto* bytes = static_cast<std::uint8_t*>(into);
    AwaitBytes(position + size);
    const std::size_t got = file_.ReadAt(position, bytes, size);
    if (got < size) {
        std::memset(bytes + got, fill_, size - got);
    }
}

const std::uint8_t* StageReader::Next(std::size_t size) {
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
            Fill(buffer_.data() + end_, count);
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
