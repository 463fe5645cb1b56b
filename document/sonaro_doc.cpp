#include "document/sonaro_doc.h"

#include "convert/files/file.h"
#include "resources/string_table.h"

namespace sonaro {

CSonaroDoc::CSonaroDoc(UserPort& user, SoundOutput& sound, CodecManager& codecs,
                       ImportPort* importer)
    : user_(user), sound_(sound), codecs_(codecs), importer_(importer) {
    ResetRecord();
    soundDeviceCount_ = sound_.CountDevices();
}

// The private directory goes with the document; the files in it go with it.
CSonaroDoc::~CSonaroDoc() = default;

// Clears the sound, the paths and the conversion state. The settings, the device count and the
// dialogs' directories stay.
void CSonaroDoc::ResetRecord() {
    source_.reset();
    result_.reset();
    showsResult_ = false;
    sourcePath_.clear();
    fileName_.clear();
    convertedPath_.clear();
    converted_ = false;
    resultUnsaved_ = false;
    resultSaved_ = false;
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

// A removal that fails (a read-only directory, say) leaves the file for the private directory's
// own clean-up at the end of the program; it never ends the program.
void CSonaroDoc::RemoveFileIfPresent(std::string path) {
    File::RemoveIfPresent(path);
}

FormatRecord CSonaroDoc::record() const {
    if (!source_) {
        return {};
    }
    return showsResult_ ? RecordOf(*source_, *result_) : RecordOf(*source_);
}

void CSonaroDoc::StopPlayback() {
    if (soundDeviceCount_ != 0) {
        sound_.Stop();
    }
}

void CSonaroDoc::PlayFile(const SoundDescription& sound) {
    if (soundDeviceCount_ == 0) {
        return;
    }
    if (!record().playable) {
        user_.ShowMessage(LoadString(IDS_PLAYBACK_TOO_LARGE));
        return;
    }
    sound_.Stop();
    if (!sound_.PlayFile(sound)) {
        user_.ShowMessage(LoadString(IDS_CANNOT_START_PLAYBACK));
    }
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
