#include "convert/operations/operations.h"

#include <new>
#include <stdexcept>

#include "convert/files/file_copy.h"
#include "convert/files/path_parts.h"
#include "convert/operations/conversion_chain.h"
#include "convert/operations/wave_reader.h"
#include "resources/string_ids.h"

namespace sonaro {
namespace {

// Runs an operation; a fault inside it (memory, a file error nothing else caught, a broken rule of
// the program) becomes its failure, after the clean-up, which must not throw.
template <typename Operation, typename CleanUp>
auto Guarded(const std::string& path, Operation operation, CleanUp cleanUp)
    -> decltype(operation()) {
    try {
        return operation();
    } catch (const std::bad_alloc&) {
        cleanUp();
        return Failure::Of(IDS_MEMORY_ALLOCATION, path);
    } catch (const FileException& error) {
        cleanUp();
        return Failure::FromFile(error);
    } catch (const std::exception& fault) {
        cleanUp();
        return Failure::Internal(fault, path);
    }
}

void Nothing() {}

}  // namespace

Outcome<SoundDescription> OpenSound(const std::string& path, CodecManager& codecs) {
    return Guarded(
        path, [&] { return WaveReader(codecs).Read(path); }, Nothing);
}

Outcome<SoundDescription> ConvertSound(const SoundDescription& source,
                                       const ConvertOptions& options, ProgressPort& progress) {
    std::unique_ptr<ConversionChain> chain;
    return Guarded(
        source.path,
        [&] {
            chain = std::make_unique<ConversionChain>(source, options);
            return chain->Run(progress);
        },
        [&] {
            if (chain) {
                chain->RemoveFiles();
            }
        });
}

std::optional<Failure> SaveSound(const SoundDescription& result, const std::string& destination) {
    return Guarded(
        destination, [&] { return CopyFileInBlocks(destination, result.path); }, Nothing);
}

bool ImportMends(const Failure& refusal) {
    return refusal.message >= IDS_CANNOT_READ_FILE && refusal.message <= IDS_VOXWARE_INCOMPATIBLE &&
           refusal.message != IDS_ALREADY_OPTIMISED && refusal.message != IDS_VOXWARE_NOT_INSTALLED;
}

Outcome<SoundDescription> ImportSound(const std::string& path, const std::string& target,
                                      ImportPort& importer, CodecManager& codecs,
                                      ProgressPort& progress) {
    std::optional<Failure> failure = Guarded(
        path, [&] { return importer.Import(path, target, progress); }, Nothing);
    if (!failure) {
        Outcome<SoundDescription> opened = OpenSound(target, codecs);
        if (opened) {
            return opened;
        }
        failure = opened.failure();
    }
    // An importer stopped halfway may have left part of its copy; whatever went wrong concerns
    // the file the user chose, not its copy.
    File::RemoveIfPresent(target);
    failure->path = path;
    return *failure;
}

Outcome<SoundDescription> OpenOrImportSound(const std::string& path, TempDirectory& directory,
                                            ImportPort* importer, CodecManager& codecs,
                                            ProgressPort& progress) {
    Outcome<SoundDescription> opened = OpenSound(path, codecs);
    if (opened || importer == nullptr || !ImportMends(opened.failure())) {
        return opened;
    }
    progress.SetMessage(FileNamePart(path));
    try {
        return ImportSound(path, directory.FilePath("SN_0_tmp.wav"), *importer, codecs, progress);
    } catch (const FileException& error) {
        return Failure::FromFile(error);  // the private directory could not be made
    }
}

}  // namespace sonaro
