#include "resources/string_table.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace sonaro {
namespace {

struct Entry {
    unsigned id;
    const char* text;
};

// Sorted by id, so that a lookup is a binary search.
constexpr std::array kStrings = {
    Entry{IDR_MAINFRAME,
          "Sonaro\n\nSonaro\nWAV files (*.wav)\n.wav\nSonaro.Document\nSonaro Document"},
    Entry{ID_CONVERT, "Convert the active WAV file\nConvert"},
    Entry{ID_PLAY, "Play the active WAV file\nPlay"},
    Entry{ID_STOP, "Stop playing the active WAV file\nStop"},
    Entry{ID_SETTINGS, "Conversion settings\nSettings"},
    Entry{ID_FILE_IMPORT, "Import a sound file of any format as a WAV file\nImport"},
    Entry{ID_FILE_CONVERT_SEVERAL,
          "Convert many sound files at once into a folder\nConvert Several Files"},
    Entry{AFX_IDS_APP_TITLE, "Sonaro"},
    Entry{ID_FILE_OPEN, "Open an existing document\nOpen"},
    Entry{ID_FILE_SAVE, "Save the active document\nSave"},
    Entry{ID_FILE_SAVE_AS, "Save the active document with a new name\nSave As"},
    Entry{ID_APP_EXIT, "Quit the application; prompts to save documents\nExit"},
    Entry{ID_NEXT_PANE, "Switch to the next window pane\nNext Pane"},
    Entry{ID_PREV_PANE, "Switch back to the previous window pane\nPrevious Pane"},
    Entry{IDS_CANNOT_READ_FILE, "Can not read file."},
    Entry{IDS_NOT_RIFF, "Not a RIFF file."},
    Entry{IDS_NOT_WAVE, "Not a Wave file."},
    Entry{IDS_NO_FMT, "Identifier \"fmt\" not found."},
    Entry{IDS_OKI_ADPCM, "OKI ADPCM not supported format."},
    Entry{IDS_IMA_ADPCM, "IMA ADPCM not supported format."},
    Entry{IDS_ALAW_UNSUPPORTED, "A-Law not supported format."},
    Entry{IDS_MULAW, "mu-Law not supported format."},
    Entry{IDS_FORMAT_UNSUPPORTED, "Wave format not supported."},
    Entry{IDS_CHANNELS_UNSUPPORTED, "Number of channels not supported."},
    Entry{IDS_RATE_UNSUPPORTED, "Sample rate not supported."},
    Entry{IDS_BLOCK_UNSUPPORTED, "Data block size not supported."},
    Entry{IDS_BITS_UNSUPPORTED, "Sample size not supported."},
    Entry{IDS_AVG_BYTES_MISMATCH,
          "Avarage bytes per second does not match\nto the other data specified in the file."},
    Entry{IDS_FACT_SIZE, "FACT chunk size not supported."},
    Entry{IDS_NO_DATA, "Identifier \"data\" not found."},
    Entry{IDS_DATA_MISSING, "WAV audio data missing!"},
    Entry{IDS_ALREADY_OPTIMISED, "WAV file already optimised!"},
    Entry{IDS_ADPCM_COEF_SETS, "Number of ADPCM coefficient sets not supported."},
    Entry{IDS_VOXWARE_NOT_INSTALLED, "Voxware ACM driver not installed."},
    Entry{IDS_VOXWARE_INCOMPATIBLE, "Voxware format not compatible\nwith Tavrin Palmet."},
    Entry{IDS_INVALID_FOR_CONVERSION, "File is invalid for conversion."},
    Entry{IDS_MEMORY_ALLOCATION, "Memory allocation error."},
    Entry{IDS_CONVERSION_CANCELLED, "Conversion cancelled."},
    Entry{IDS_TEMP_FILE_REMOVED, "Temporary file removed! Unable to save."},
    Entry{IDS_ADPCM_PREDICTOR, "ADPCM predictor out of range."},
    Entry{IDS_VOXWARE_CONVERSION, "Voxware conversion error."},
    Entry{IDS_INTERNAL_FAULT, "An internal error stopped the work on this file."},
    Entry{IDS_LABEL_FORMAT, "Format:"},
    Entry{IDS_LABEL_SIZE, "Size:"},
    Entry{IDS_LABEL_PLAYBACK_TIME, "Playback time:"},
    Entry{IDS_LABEL_SAMPLING_RATE, "Sampling rate:"},
    Entry{IDS_LABEL_CHANNELS, "Channels:"},
    Entry{IDS_LABEL_BIT_DEPTH, "Bit depth:"},
    Entry{IDS_MONO, "mono"},
    Entry{IDS_STEREO, "stereo"},
    Entry{IDS_DISK_FULL, "The disk is full."},
    Entry{IDS_ACCESS_DENIED, "The file could not be accessed."},
    Entry{IDS_FILE_NOT_FOUND, "The file could not be located."},
    Entry{IDS_BAD_PATH, "The path is invalid."},
    Entry{IDS_HARDWARE_ERROR, "Hardware error."},
    Entry{IDS_UNEXPECTED_FILE_ERROR, "Unexpected file error."},
    Entry{IDS_CANNOT_START_PLAYBACK, "Can not start playback."},
    Entry{IDS_CANNOT_STOP_PLAYBACK, "Can not stop playback."},
    Entry{IDS_PLAYBACK_TOO_LARGE, "Playback of files over 2MB is not allowed."},
    Entry{IDS_DECODER_STOPPED, "The decoder stopped on this file; it may be damaged."},
};

static_assert(std::is_sorted(kStrings.begin(), kStrings.end(),
                             [](const Entry& a, const Entry& b) { return a.id < b.id; }));

std::string_view CommandPart(unsigned id, bool tooltip) {
    std::string_view text = LoadString(id);
    const auto lineBreak = text.find('\n');
    if (lineBreak == std::string_view::npos) {
        return tooltip ? std::string_view{} : text;
    }
    return tooltip ? text.substr(lineBreak + 1) : text.substr(0, lineBreak);
}

}  // namespace

const char* LoadString(unsigned id) {
    const auto it = std::lower_bound(kStrings.begin(), kStrings.end(), id,
                                     [](const Entry& e, unsigned key) { return e.id < key; });
    return (it != kStrings.end() && it->id == id) ? it->text : "";
}

std::string CommandPrompt(unsigned id) {
    return std::string(CommandPart(id, false));
}

std::string CommandTooltip(unsigned id) {
    return std::string(CommandPart(id, true));
}

}  // namespace sonaro
