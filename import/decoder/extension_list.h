#pragma once

#include <string>
#include <vector>

namespace sonaro {

// The endings libsndfile names for the containers it reads, with their common others, sorted,
// each once; headerless files, which say nothing of their format, are left out.
std::vector<std::string> ReadableExtensions();

}  // namespace sonaro
