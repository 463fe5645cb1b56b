#include "document/sonaro_doc.h"

#include "convert/files/file.h"
#include "convert/files/file_copy.h"
#include "convert/files/file_error_report.h"
#include "document/wave_reader.h"
#include "resources/string_table.h"

namespace sonaro {

CSonaroDoc::CSonaroDoc(UserPort& user, SoundOutput& sound, CodecManager& codecs,
                       ImportPort* importer)
    : user_(user), sound_(sound), codecs_(codecs), importer_(importer) {
    ResetRecord();
    soundDeviceCount_ = sound_.CountDevices();
}

// The temporary directory goes with the document; the files in it go with it.
CSonaroDoc::~CSonaroDoc() = default;

// Clears the record, the paths and the conversion state. The settings, the device count and the
// dialogs' directories stay; sizeKB and blockAlign are rewritten by every successful read.
void CSonaroDoc::ResetRecord() {
    record_.waveFormat = WaveFormat{};
    sourcePath_.clear();
    fileName_.clear();
    convertedPath_.clear();
    record_.formatName.clear();
    converted_ = false;
    resultUnsaved_ = false;
    resultSaved_ = false;
    record_.dataOffset = 0;
    record_.dataSize = 0;
    record_.formatTag = 0;
    record_.samplesPerSec = 0;
    record_.channels = 0;
    record_.bitsPerSample = 0;
    record_.samplesPerBlock = 0;
    record_.playable = false;
    record_.playbackSeconds = 0.0F;
    convertEnabled_ = true;
    SetModifiedFlag(false);
}

void CSonaroDoc::DeleteContents() {
    if (!convertedPath_.empty()) {
        RemoveFileIfPresent(convertedPath_);
    }
    RemoveImportedFile();
    if (!sourcePath_.empty()) {
        ResetRecord();
    }
}

// A file that cannot be opened is taken as gone. A removal that fails after the file opened
// (a read-only directory, say) leaves the file for the temporary directory's own clean-up at the
// end of the program; it never ends the program.
void CSonaroDoc::RemoveFileIfPresent(std::string path) {
    File file;
    if (!file.TryOpen(path, File::Mode::Read)) {
        return;
    }
    file = File();
    try {
        File::Remove(path);
    } catch (const FileException&) {
    }
}

void CSonaroDoc::StopPlayback() {
    if (soundDeviceCount_ != 0) {
        sound_.Stop();
    }
}

void CSonaroDoc::PlayFile(std::string path) {
    if (soundDeviceCount_ == 0) {
        return;
    }
    if (!record_.playable) {
        ShowStringMessage(user_, IDS_PLAYBACK_TOO_LARGE);
        return;
    }
    sound_.Stop();
    if (!sound_.PlayFile(path)) {
        ShowStringMessage(user_, IDS_CANNOT_START_PLAYBACK);
    }
}

bool CSonaroDoc::ReadWaveFile(std::string path, std::string& errorText) {
    unsigned refusal = 0;
    {
        WaveReader reader(record_, codecs_);
        refusal = reader.Read(path);
    }  // the file is closed here, before the player may open it
    if (refusal != 0) {
        errorText = LoadString(refusal);
        return false;
    }
    if (autoPlayAfterOpen_) {
        PlayFile(path);
    }
    return true;
}

bool CSonaroDoc::CopyFileData(const std::string& destination, const std::string& source) {
    return CopyFileInBlocks(user_, destination, source);
}

void CSonaroDoc::ReportFileError(const FileException& error) {
    ShowFileError(user_, error);
}

bool CSonaroDoc::SaveModified() {
    if (!IsModified()) {
        return true;
    }
    switch (user_.AskSaveChanges(fileName_)) {
        case SaveAnswer::Cancel:
            return false;
        case SaveAnswer::Yes:
            return OnSaveDocument(pathName_);
        case SaveAnswer::No:
            break;
    }
    return true;
}

}  // namespace sonaro
