#pragma once

#include <optional>
#include <string>

#include "convert/codecs/codec_manager.h"
#include "convert/files/outcome.h"
#include "convert/files/temp_directory.h"
#include "convert/operations/import_port.h"
#include "convert/operations/sound_description.h"
#include "convert/stages/progress_port.h"

// The engine's operations, which every front end calls: open a sound file, convert it, save the
// result. None of them shows anything: each answers what it made or the failure that stopped it,
// and a fault inside the engine comes back as a failure too, its files removed.
namespace sonaro {

// Reads and judges the sound file at path: its description, or the reader's refusal (or the file
// error that stopped it), naming path.
Outcome<SoundDescription> OpenSound(const std::string& path, CodecManager& codecs);

// What a conversion needs besides its source.
struct ConvertOptions {
    int volumeLevel = 10;      // 0 to 10
    TempDirectory& directory;  // the private directory the chain's files are made in
    CodecManager& codecs;      // decodes Voxware sources
    unsigned threads = 0;      // the resampler's threads; 0 lets it choose
};

// Converts the source through the chain of stages into the A-law file "SN_2_tmp.tmp" of the
// private directory: its description, or why not ("Conversion cancelled." when the progress
// interface asked to stop). A conversion that fails leaves none of its files behind.
Outcome<SoundDescription> ConvertSound(const SoundDescription& source,
                                       const ConvertOptions& options, ProgressPort& progress);

// Copies the converted result to destination: a regular file is replaced whole once the copy is
// complete, a FIFO, a device or "-" (standard output) written as a stream. Answers the failure,
// or nothing.
std::optional<Failure> SaveSound(const SoundDescription& result, const std::string& destination);

// Whether an import can make something of a file the reader refused that way: not one already in
// the handheld's format, not a Voxware file without its driver (which no importer decodes either),
// not a file that could not be read at all (its error is the answer).
bool ImportMends(const Failure& refusal);

// Imports the file at path into target (a name in a private directory) and opens target: the
// description of the imported copy, or why not.
Outcome<SoundDescription> ImportSound(const std::string& path, const std::string& target,
                                      ImportPort& importer, CodecManager& codecs,
                                      ProgressPort& progress);

// Opens the file at path; with an importer, a file the reader refuses for what an import mends is
// imported into the private directory ("SN_0_tmp.wav") and opened from there. The description of
// the sound, or why not (the reader's refusal when no import was tried).
Outcome<SoundDescription> OpenOrImportSound(const std::string& path, TempDirectory& directory,
                                            ImportPort* importer, CodecManager& codecs,
                                            ProgressPort& progress);

}  // namespace sonaro
