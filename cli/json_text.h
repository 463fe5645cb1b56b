#pragma once

#include <string>

namespace sonaro {

// The text as a JSON string, quotes included: quotation marks, backslashes and control characters
// escaped, valid UTF-8 kept as it is, and each byte that does not belong to a valid UTF-8
// sequence (file names need not be UTF-8) written as \ufffd, the replacement character.
std::string JsonString(const std::string& text);

}  // namespace sonaro
