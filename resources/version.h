#pragma once

#include <string>

namespace sonaro {

// The version of this build, as the project names it ("1.14").
const char* Version();

// What --version prints: the program's name and version, then its copyright and licence.
std::string VersionText(const std::string& program);

}  // namespace sonaro
