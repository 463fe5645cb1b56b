#pragma once

#include <string>
#include <vector>

namespace sonaro::test {

// The options that a usage text lists (the words starting with "-" at the start of its indented
// lines) and that the project's man page of that name (resources/man/PAGE.1) does not mention.
std::vector<std::string> OptionsMissingFromManPage(const std::string& usage,
                                                   const std::string& page);

}  // namespace sonaro::test
