// The Import command: a sound file the reader refuses is made a PCM WAV file by the importer and
// opened from there, under the name of the file the user chose.
#include "convert/files/path_parts.h"
#include "document/sonaro_doc.h"

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

// The import runs with its progress window; a failure is told with the path and the importer's
// reason once the window has gone. A cancelled or failed import leaves the document, and the file
// open in it, as they were.
void CSonaroDoc::ImportPath(const std::string& path) {
    StopPlayback();
    if (importer_ == nullptr || StrictReaderDecides(path)) {
        OpenPath(path);
        return;
    }
    const std::optional<std::string> target = ImportTarget();
    if (!target) {
        return;
    }
    const Outcome<SoundDescription> imported = [&] {
        const auto progress = user_.CreateProgress("Importing...", FileNamePart(path));
        return ImportSound(path, *target, *importer_, codecs_, *progress);
    }();
    if (!imported) {
        if (!imported.failure().Cancelled()) {
            user_.ShowRefusal(path, imported.failure().Text());
        }
        return;
    }
    DeleteContents();
    openDirectory_ = DirectoryPart(path);
    Adopt(path, *imported);
    user_.UpdateAllViews();
}

// Whether the reader settles the file by itself: it accepts it, or refuses it for what no import
// mends (Open then says why). The document is not touched.
bool CSonaroDoc::StrictReaderDecides(const std::string& path) {
    const Outcome<SoundDescription> opened = OpenSound(path, codecs_);
    return opened || !ImportMends(opened.failure());
}

// The name in the private directory the open sound's imported copy does not have.
std::optional<std::string> CSonaroDoc::ImportTarget() {
    try {
        return temp_.FilePath(kImported[importedPath_ == temp_.FilePath(kImported[0]) ? 1 : 0]);
    } catch (const FileException& error) {
        user_.ShowFailure(Failure::FromFile(error));
        return std::nullopt;
    }
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
