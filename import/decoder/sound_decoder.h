#pragma once

#include "import/decoder/reply_writer.h"
#include "import/decoder/sound_source.h"

namespace sonaro {

// Decodes a source as its import plan says and sends what it makes: the Sound record, then the
// samples, then End. 8- and 16-bit integers that need neither mixing nor another rate go as
// 16-bit integers, as they are (8-bit ones in the upper byte); anything else as floats, more
// than two channels mixed to one by their plain average, resampled to the planned rate. A
// decoding failure throws ImportFailure, after the records sent so far.
void DecodeSound(SoundSource& input, ReplyWriter& reply);

}  // namespace sonaro
