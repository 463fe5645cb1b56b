#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "convert/codecs/codec_manager.h"
#include "convert/files/file_exception.h"
#include "convert/files/temp_directory.h"
#include "document/format_record.h"
#include "document/import_port.h"
#include "document/sound_output.h"
#include "document/user_port.h"

namespace sonaro {

// The one document: the current sound's format record, the paths of the open file and of the
// converted result, the conversion state, and the settings of this run. It reaches the user and
// the platform only through the ports given to it. Without an importer, Import opens files as Open
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
    void PlayFile(std::string path);

    // The reader: true when the file is accepted; otherwise errorText holds the reason.
    // Throws FileException when the file cannot be opened or read.
    bool ReadWaveFile(std::string path, std::string& errorText);

    // File commands.
    void OnFileOpen();
    bool OnOpenDocument(const std::string& path);
    // Import: a file the reader accepts, or refuses as already in the output format, is opened
    // as Open opens it; any other is first made a PCM WAV file in the temporary directory by the
    // importer, which is then opened in its place under the chosen file's name.
    void OnFileImport();
    bool OnImportDocument(const std::string& path);
    bool OnSaveDocument(const std::string& path);
    void OnFileSaveAs();
    void OnPlay();
    void OnStop();
    void OnSettings();
    // Whether the command is enabled now.
    bool OnUpdateFileSaveAs() const;
    bool OnUpdateConvert() const;
    bool OnUpdatePlay() const;

    // The Convert command: the chain of stages over the temporary files.
    void OnConvert();

    // The modified flag: an unsaved converted result exists.
    bool IsModified() const { return modified_; }
    void SetModifiedFlag(bool modified) { modified_ = modified; }
    // Offers to save the unsaved result; false when the user cancelled.
    bool SaveModified();

    const FormatRecord& record() const { return record_; }
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
    // The private directory of the conversion's files; a front end may keep a file of its own
    // there (the standard input read to its end), removed with it.
    TempDirectory& temporaryDirectory() { return temp_; }

  private:
    // The fields of the record that a conversion overwrites, kept to convert the source again.
    struct SourceFields {
        std::string formatName;
        std::uint16_t formatTag = 0;
        std::uint32_t dataSize = 0;
        std::uint32_t samplesPerSec = 0;
        std::uint8_t bitsPerSample = 0;
        std::uint8_t channels = 0;
        float playbackSeconds = 0.0F;
    };

    // Opens the file the user chose at path, reading its sound from soundPath (path itself, or
    // its imported copy).
    void OpenPath(const std::string& path, const std::string& soundPath);
    void ImportPath(const std::string& path);
    bool StrictReaderDecides(const std::string& path);
    bool RunImport(const std::string& path, const std::string& target);
    void RemoveImportedFile();
    std::string ProposedSaveName(bool firstSave) const;
    void StopPlayback();
    void SaveOrRestoreSource();
    std::unique_ptr<ProgressPort> OpenProgressWindow(const std::string& title,
                                                     const std::string& message);
    bool RunStages(ProgressPort& progress, std::uint32_t& resultCount);
    void PublishResult(std::uint32_t count, const std::string& resultPath);

    // The stages of Convert, in the order they run. Each answers false after it has told the user
    // why it failed. The decoders read the source from its data offset on; the frame counts they
    // set and the mix passes on are those the file held.
    bool DecodeAdpcm(const std::string& output, std::uint32_t& frames, ProgressPort& progress);
    bool DecodeVoxware(const std::string& output, std::uint32_t& frames, ProgressPort& progress);
    bool MixToMonoFloat(const std::string& output, const std::string& input, std::uint32_t& frames,
                        std::uint8_t channels, ProgressPort& progress);
    bool Resample(const std::string& output, const std::string& input, std::uint32_t inputCount,
                  std::uint32_t& outputCount, std::uint32_t inputRate, ProgressPort& progress);
    bool NormaliseAndEncode(const std::string& output, const std::string& input,
                            std::uint32_t count, ProgressPort& progress);
    bool WriteALawFile(const std::string& output, const std::string& input, ProgressPort& progress);

    // The file services of Save As and of the driver.
    bool CopyFileData(const std::string& destination, const std::string& source);
    void ReportFileError(const FileException& error);

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
    FormatRecord record_;
    SourceFields savedSource_;
    TempDirectory temp_;
};

}  // namespace sonaro
