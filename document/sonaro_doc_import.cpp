// The Import command: a sound file the reader refuses is made a PCM WAV file by the importer and
// opened from there, under the name of the file the user chose.
#include "document/path_parts.h"
#include "document/sonaro_doc.h"
#include "document/wave_reader.h"
#include "resources/string_ids.h"

namespace sonaro {
namespace {

// The imported copy of the open sound keeps its name until the next import has succeeded, so
// the two take turns with these names.
constexpr const char* kImported[] = {"SN_0_tmp.wav", "SN_4_tmp.wav"};

}  // namespace

void CSonaroDoc::OnFileImport() {
    if (resultUnsaved_ && !SaveModified()) {
        return;
    }
    const auto chosen = user_.ChooseImportPath(
        openDirectory_, importer_ ? importer_->FileExtensions() : std::vector<std::string>{});
    if (chosen) {
        ImportPath(*chosen);
    }
}

bool CSonaroDoc::OnImportDocument(const std::string& path) {
    if (resultUnsaved_ && !SaveModified()) {
        return false;
    }
    ImportPath(path);
    return !sourcePath_.empty();
}

// A cancelled or failed import leaves the document, and the file open in it, as they were.
void CSonaroDoc::ImportPath(const std::string& path) {
    StopPlayback();
    if (importer_ == nullptr || StrictReaderDecides(path)) {
        OpenPath(path, path);
        return;
    }
    std::string target;
    try {
        target = temp_.FilePath(kImported[importedPath_ == temp_.FilePath(kImported[0]) ? 1 : 0]);
    } catch (const FileException& error) {
        ReportFileError(error);
        return;
    }
    if (RunImport(path, target)) {
        OpenPath(path, target);
    } else {
        RemoveFileIfPresent(target);
    }
}

// Whether the reader settles the file by itself: it accepts it, it refuses it as already in the
// output format or as Voxware without its driver (which no importer decodes either), or the file
// cannot be read at all (Open then says why). The document's record is not touched.
bool CSonaroDoc::StrictReaderDecides(const std::string& path) {
    FormatRecord probe;
    try {
        WaveReader reader(probe, codecs_);
        const unsigned refusal = reader.Read(path);
        return refusal == 0 || refusal == IDS_ALREADY_OPTIMISED ||
               refusal == IDS_VOXWARE_NOT_INSTALLED;
    } catch (const FileException&) {
        return true;
    }
}

// Imports with the progress window; a failure is told with the path and the importer's reason,
// once the window has gone.
bool CSonaroDoc::RunImport(const std::string& path, const std::string& target) {
    ImportOutcome outcome;
    {
        const auto progress = OpenProgressWindow("Importing...", FileNamePart(path));
        outcome = importer_->Import(path, target, *progress);
    }
    if (outcome.status == ImportOutcome::Status::Failed) {
        user_.ShowRefusal(path, outcome.reason);
    }
    return outcome.status == ImportOutcome::Status::Done;
}

void CSonaroDoc::RemoveImportedFile() {
    if (!importedPath_.empty()) {
        RemoveFileIfPresent(importedPath_);
        importedPath_.clear();
    }
}

// The first Save As of a file proposes its full path, a later one its name. A sound still read
// from its imported copy is proposed under the chosen file's name, ending in ".wav".
std::string CSonaroDoc::ProposedSaveName(bool firstSave) const {
    if (!importedPath_.empty() && sourcePath_ == importedPath_) {
        return WavPath(firstSave ? pathName_ : fileName_);
    }
    return firstSave ? sourcePath_ : fileName_;
}

}  // namespace sonaro
