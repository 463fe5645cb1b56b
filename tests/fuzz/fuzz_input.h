#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace sonaro::fuzz {

// The fuzzer's bytes as a file the document can open: one file per process, rewritten for every
// input, in a private directory removed at exit.
std::string WriteInput(const std::uint8_t* data, std::size_t size);

}  // namespace sonaro::fuzz
