#pragma once

#include <string>

#include "convert/operations/sound_description.h"

namespace sonaro::test {

// The description of the sound file at path as the program would have it: the reader's, or for a
// converted A-law file (which the reader refuses as already in the handheld's format) the one a
// conversion gives its result. A file neither describes comes back with its path alone, a
// description nothing can be decoded from.
SoundDescription Described(const std::string& path);

}  // namespace sonaro::test
