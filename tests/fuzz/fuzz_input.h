#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace sonaro::fuzz {

// The fuzzer's bytes as a file the document can open: one file per process, rewritten for every
// input, in a private directory removed at exit.
std::string WriteInput(const std::uint8_t* data, std::size_t size);

// A path of that name in the same private directory, for a file the code under test writes.
std::string ScratchPath(const std::string& name);

}  // namespace sonaro::fuzz
