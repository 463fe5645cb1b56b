// The document's command handlers: open, save, play, stop, settings and their enabling rules.
#include "convert/files/file_error_report.h"
#include "document/path_parts.h"
#include "document/sonaro_doc.h"
#include "resources/string_table.h"

namespace sonaro {

void CSonaroDoc::OnFileOpen() {
    if (resultUnsaved_ && !SaveModified()) {
        return;
    }
    const auto chosen = user_.ChooseOpenPath(openDirectory_);
    if (chosen) {
        OpenPath(*chosen, *chosen);
    }
}

bool CSonaroDoc::OnOpenDocument(const std::string& path) {
    if (resultUnsaved_ && !SaveModified()) {
        return false;
    }
    OpenPath(path, path);
    return !sourcePath_.empty();
}

// Reads the file into the cleared document. A refusal, and a file that cannot be opened or read,
// are told to the user with the path. An imported copy goes with the document; one that is
// refused is removed at once.
void CSonaroDoc::OpenPath(const std::string& path, const std::string& soundPath) {
    StopPlayback();
    DeleteContents();
    if (soundPath != path) {
        importedPath_ = soundPath;
    }
    openDirectory_ = DirectoryPart(path);
    std::string errorText;
    try {
        if (ReadWaveFile(soundPath, errorText)) {
            sourcePath_ = soundPath;
            fileName_ = FileNamePart(path);
            pathName_ = path;
        } else {
            if (errorText.empty()) {
                errorText = LoadString(IDS_INVALID_FOR_CONVERSION);
            }
            user_.ShowRefusal(path, errorText);
        }
    } catch (const FileException& error) {
        user_.ShowRefusal(path, LoadString(FileErrorMessageId(error.cause())));
    }
    if (sourcePath_.empty()) {
        RemoveImportedFile();
    }
    user_.UpdateAllViews();
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
    if (CopyFileData(*chosen, convertedPath_)) {
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
    PlayFile(convertedPath_.empty() ? sourcePath_ : convertedPath_);
}

void CSonaroDoc::OnStop() {
    if (!sound_.Stop()) {
        ShowStringMessage(user_, IDS_CANNOT_STOP_PLAYBACK);
    }
}

void CSonaroDoc::OnSettings() {
    SettingsValues values{soundDeviceCount_, volumeLevel_, autoPlayAfterOpen_,
                          autoPlayAfterConvert_};
    if (!user_.RunSettings(values)) {
        return;
    }
    if (values.volumeLevel != volumeLevel_) {
        convertEnabled_ = true;
        volumeLevel_ = values.volumeLevel < 0    ? 0
                       : values.volumeLevel > 10 ? 10
                                                 : values.volumeLevel;
    }
    autoPlayAfterOpen_ = values.autoPlayAfterOpen;
    autoPlayAfterConvert_ = values.autoPlayAfterConvert;
}

bool CSonaroDoc::OnUpdateFileSaveAs() const {
    return !convertedPath_.empty();
}

bool CSonaroDoc::OnUpdateConvert() const {
    return !sourcePath_.empty() && convertEnabled_ && !resultSaved_;
}

bool CSonaroDoc::OnUpdatePlay() const {
    return !sourcePath_.empty() && soundDeviceCount_ != 0 && record_.playable;
}

}  // namespace sonaro
