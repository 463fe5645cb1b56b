#pragma once

#include <string>

#include "cli/terminal_messages.h"
#include "convert/codecs/codec_manager.h"
#include "convert/files/outcome.h"
#include "convert/files/temp_directory.h"
#include "convert/operations/import_port.h"
#include "convert/operations/sound_description.h"
#include "convert/stages/progress_port.h"

namespace sonaro {

// What opening an input of the command line takes: the codecs the reader asks, and the importer
// of files the reader refuses (null: they are refused).
struct InputReaders {
    CodecManager& codecs;
    ImportPort* importer;
};

// The file an input of the command line is read from: itself, or for "-" a copy of the standard
// input, read to its end into the private directory first (the reader seeks). Why not: a failed
// read (naming "-") or write, or a signal that broke it off.
Outcome<std::string> ReadablePath(const std::string& input, TempDirectory& directory);

// Opens an input of the command line. "-" is the standard input: it is read to its end into the
// private directory first, and messages about its copy name it "-". With an importer, a file the
// reader refuses for what an import mends is imported into the private directory and opened from
// there. The description of the sound, or why not.
Outcome<SoundDescription> OpenInput(const std::string& input, TempDirectory& directory,
                                    const InputReaders& readers, ProgressPort& progress,
                                    TerminalMessages& messages);

}  // namespace sonaro
