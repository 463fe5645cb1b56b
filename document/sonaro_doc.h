#pragma once

#include <optional>
#include <string>

#include "convert/codecs/codec_manager.h"
#include "convert/files/temp_directory.h"
#include "convert/operations/format_record.h"
#include "convert/operations/import_port.h"
#include "convert/operations/operations.h"
#include "document/sound_output.h"
#include "document/user_port.h"

namespace sonaro {

// The one document of the desktop program: the open sound and its converted result, the paths
// of the open file and of the result, the conversion state, and the settings of this run. Its
// commands are built on the engine's operations (open, convert, save); it reaches the user and the
// platform only through the ports given to it. Without an importer, Import opens files as Open
// does.
class CSonaroDoc {
  public:
    CSonaroDoc(UserPort& user, SoundOutput& sound, CodecManager& codecs,
               ImportPort* importer = nullptr);
    ~CSonaroDoc();
    CSonaroDoc(const CSonaroDoc&) = delete;
    CSonaroDoc& operator=(const CSonaroDoc&) = delete;

    // Shared operations.
    void ResetRecord();
    void DeleteContents();
    void RemoveFileIfPresent(std::string path);
    // Plays the sound under the 2 MiB rule of the current record.
    void PlayFile(const SoundDescription& sound);

    // File commands.
    void OnFileOpen();
    bool OnOpenDocument(const std::string& path);
    // Import: a file the reader accepts, or refuses for what an import cannot mend, is opened as
    // Open opens it; any other is first made a PCM WAV file in the private directory by the
    // importer, which is then opened in its place under the chosen file's name.
    void OnFileImport();
    bool OnImportDocument(const std::string& path);
    bool OnSaveDocument(const std::string& path);
    void OnFileSaveAs();
    void OnPlay();
    void OnStop();
    void OnSettings();
    // The volume level of the conversions (kept within 0 to 10); a new level enables Convert
    // again, so that the sound can be converted at it.
    void SetVolumeLevel(int level);
    // Whether the command is enabled now.
    bool OnUpdateFileSaveAs() const;
    bool OnUpdateConvert() const;
    bool OnUpdatePlay() const;

    // The Convert command: the engine's conversion of the open sound, with a progress window.
    void OnConvert();

    // The modified flag: an unsaved converted result exists.
    bool IsModified() const { return modified_; }
    void SetModifiedFlag(bool modified) { modified_ = modified; }
    // Offers to save the unsaved result; false when the user cancelled.
    bool SaveModified();

    // What the view shows: the open sound, or the result converted from it.
    FormatRecord record() const;
    const std::string& sourcePath() const { return sourcePath_; }
    const std::string& fileName() const { return fileName_; }
    const std::string& pathName() const { return pathName_; }
    const std::string& convertedPath() const { return convertedPath_; }
    // The imported copy the sound is read from; empty when the sound is read from the file itself.
    const std::string& importedPath() const { return importedPath_; }
    const std::string& openDirectory() const { return openDirectory_; }
    const std::string& saveDirectory() const { return saveDirectory_; }
    bool converted() const { return converted_; }
    bool resultUnsaved() const { return resultUnsaved_; }
    bool resultSaved() const { return resultSaved_; }
    bool convertEnabled() const { return convertEnabled_; }
    unsigned soundDeviceCount() const { return soundDeviceCount_; }
    int volumeLevel() const { return volumeLevel_; }
    bool autoPlayAfterOpen() const { return autoPlayAfterOpen_; }
    bool autoPlayAfterConvert() const { return autoPlayAfterConvert_; }

  private:
    // Opens the file the user chose at path, as Open does.
    void OpenPath(const std::string& path);
    // Makes the sound the document's (and plays it when asked to), as opened from the file the
    // user chose at path.
    void Adopt(const std::string& path, const SoundDescription& sound);
    void ImportPath(const std::string& path);
    bool StrictReaderDecides(const std::string& path);
    std::optional<std::string> ImportTarget();
    void RemoveImportedFile();
    std::string ProposedSaveName(bool firstSave) const;
    void StopPlayback();
    void PublishResult(const SoundDescription& result);

    UserPort& user_;
    SoundOutput& sound_;
    CodecManager& codecs_;
    ImportPort* importer_;

    unsigned soundDeviceCount_ = 0;
    int volumeLevel_ = 10;
    bool autoPlayAfterOpen_ = false;
    bool autoPlayAfterConvert_ = false;
    bool convertEnabled_ = true;
    std::string openDirectory_;
    std::string saveDirectory_;
    std::string sourcePath_;
    std::string fileName_;
    std::string pathName_;
    bool converted_ = false;
    std::string convertedPath_;
    std::string importedPath_;
    bool resultUnsaved_ = false;
    bool resultSaved_ = false;
    bool modified_ = false;
    std::optional<SoundDescription> source_;  // the open sound
    std::optional<SoundDescription> result_;  // the last result converted from it
    bool showsResult_ = false;                // the record describes the result
    TempDirectory temp_;
};

}  // namespace sonaro
