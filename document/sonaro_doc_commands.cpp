// The document's command handlers: open, save, play, stop, settings and their enabling rules.
#include <algorithm>

#include "convert/files/path_parts.h"
#include "document/sonaro_doc.h"
#include "resources/string_table.h"

namespace sonaro {

void CSonaroDoc::OnFileOpen() {
    if (resultUnsaved_ && !SaveModified()) {
        return;
    }
    const auto chosen = user_.ChooseOpenPath(openDirectory_);
    if (chosen) {
        OpenPath(*chosen);
    }
}

bool CSonaroDoc::OnOpenDocument(const std::string& path) {
    if (resultUnsaved_ && !SaveModified()) {
        return false;
    }
    OpenPath(path);
    return !sourcePath_.empty();
}

// Reads the file into the cleared document. A refusal, and a file that cannot be opened or read,
// are told to the user with the path.
void CSonaroDoc::OpenPath(const std::string& path) {
    StopPlayback();
    DeleteContents();
    openDirectory_ = DirectoryPart(path);
    const Outcome<SoundDescription> opened = OpenSound(path, codecs_);
    if (opened) {
        Adopt(path, *opened);
    } else {
        user_.ShowRefusal(path, opened.failure().Text());
    }
    user_.UpdateAllViews();
}

// An imported sound is read from its copy, which goes with the document.
void CSonaroDoc::Adopt(const std::string& path, const SoundDescription& sound) {
    source_ = sound;
    if (sound.path != path) {
        importedPath_ = sound.path;
    }
    if (autoPlayAfterOpen_) {
        PlayFile(sound);
    }
    sourcePath_ = sound.path;
    fileName_ = FileNamePart(path);
    pathName_ = path;
}

// Saving is always done through Save As; the answer is always success, as the result of the copy
// has been shown to the user already.
bool CSonaroDoc::OnSaveDocument(const std::string& /*path*/) {
    OnFileSaveAs();
    return true;
}

void CSonaroDoc::OnFileSaveAs() {
    const bool firstSave = saveDirectory_.empty();
    const auto chosen = user_.ChooseSavePath(firstSave ? std::string() : saveDirectory_,
                                             ProposedSaveName(firstSave));
    if (!chosen) {
        return;
    }
    user_.BeginWaitCursor();
    saveDirectory_ = DirectoryPart(*chosen);
    // Without a result there is no file to copy: the copy tells that its temporary file is gone.
    if (const std::optional<Failure> failure =
            SaveSound(result_.value_or(SoundDescription{}), *chosen)) {
        user_.ShowFailure(*failure);
    } else {
        sourcePath_ = *chosen;
        fileName_ = FileNamePart(*chosen);
        resultSaved_ = true;
        resultUnsaved_ = false;
        SetModifiedFlag(false);
    }
    user_.UpdateAllViews();
    user_.EndWaitCursor();
}

void CSonaroDoc::OnPlay() {
    if (result_ || source_) {
        PlayFile(result_ ? *result_ : *source_);
    }
}

void CSonaroDoc::OnStop() {
    if (!sound_.Stop()) {
        user_.ShowMessage(LoadString(IDS_CANNOT_STOP_PLAYBACK));
    }
}

void CSonaroDoc::OnSettings() {
    SettingsValues values{soundDeviceCount_, volumeLevel_, autoPlayAfterOpen_,
                          autoPlayAfterConvert_};
    if (!user_.RunSettings(values)) {
        return;
    }
    SetVolumeLevel(values.volumeLevel);
    autoPlayAfterOpen_ = values.autoPlayAfterOpen;
    autoPlayAfterConvert_ = values.autoPlayAfterConvert;
}

void CSonaroDoc::SetVolumeLevel(int level) {
    if (level != volumeLevel_) {
        convertEnabled_ = true;
        volumeLevel_ = std::clamp(level, 0, 10);
    }
}

bool CSonaroDoc::OnUpdateFileSaveAs() const {
    return !convertedPath_.empty();
}

bool CSonaroDoc::OnUpdateConvert() const {
    return !sourcePath_.empty() && convertEnabled_ && !resultSaved_;
}

bool CSonaroDoc::OnUpdatePlay() const {
    return !sourcePath_.empty() && soundDeviceCount_ != 0 && record().playable;
}

}  // namespace sonaro
