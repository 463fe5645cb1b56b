#pragma once

#include <string>

#include "resources/string_ids.h"

namespace sonaro {

// The text stored under a string number, or an empty string when there is none.
const char* LoadString(unsigned id);

// The part of a command string before its line break (the prompt) or after it (the tooltip).
std::string CommandPrompt(unsigned id);
std::string CommandTooltip(unsigned id);

}  // namespace sonaro
