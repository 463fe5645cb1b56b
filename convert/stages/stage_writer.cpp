#include "convert/stages/stage_writer.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace sonaro {

void StageWriter::Reserve(std::size_t capacity, AtReport atReport) {
    buffer_.resize(capacity);
    atReport_ = atReport;
}

void StageWriter::Open(const std::string& path) {
    file_.Open(path, File::Mode::Write);
}

std::uint8_t* StageWriter::Next(std::size_t size) {
    std::uint8_t* room = Ahead(size);
    PassOn(size);
    return room;
}

std::uint8_t* StageWriter::Ahead(std::size_t size) {
    if (ahead_ + size > buffer_.size()) {
        throw std::logic_error("a piece larger than the write buffer");
    }
    if (held_ + ahead_ + size > buffer_.size()) {
        Flush();
    }
    std::uint8_t* room = buffer_.data() + held_ + ahead_;
    ahead_ += size;
    return room;
}

void StageWriter::PassOn(std::size_t size) {
    if (size > ahead_) {
        throw std::logic_error("passing on more than was made ahead");
    }
    held_ += size;
    ahead_ -= size;
}

void StageWriter::Append(const void* data, std::size_t size) {
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    if (ahead_ != 0) {
        throw std::logic_error("appending behind bytes made ahead");
    }
    if (buffer_.empty()) {
        Write(bytes, size);
        return;
    }
    while (size > 0) {
        const std::size_t part = std::min(size, buffer_.size() - held_);
        std::copy_n(bytes, part, buffer_.data() + held_);
        held_ += part;
        bytes += part;
        size -= part;
        if (held_ == buffer_.size()) {
            Flush();
        }
    }
}

void StageWriter::Flush() {
    if (held_ > 0) {
        const std::size_t size = held_;
        held_ = 0;  // a failed write is not tried again
        Write(buffer_.data(), size);
        std::memmove(buffer_.data(), buffer_.data() + size, ahead_);
    }
}

void StageWriter::Write(const std::uint8_t* bytes, std::size_t size) {
    file_.Write(bytes, size);
    written_ += size;
    if (growing_ != nullptr) {
        growing_->Grew(written_);
    }
}

void StageWriter::Report() {
    if (atReport_ == AtReport::WriteOut) {
        Flush();
    }
}

void StageWriter::Close() {
    Flush();
    file_.Close();
}

}  // namespace sonaro
