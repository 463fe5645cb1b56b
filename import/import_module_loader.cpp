#include "import/import_module_loader.h"

#include <dlfcn.h>

#include <utility>

#include "convert/files/install_paths.h"
#include "convert/files/shared_library.h"
#include "import/import_module.h"

namespace sonaro {

ImportModuleLoader::ImportModuleLoader()
    : ImportModuleLoader(InstallPaths::OfThisProgram().ImportModule()) {}

ImportModuleLoader::ImportModuleLoader(std::string modulePath)
    : modulePath_(std::move(modulePath)) {}

// The module stays loaded until the process ends: the libraries it brings (libgomp's threads
// among them) are not made to be unloaded while the program runs.
ImportModuleLoader::~ImportModuleLoader() = default;

ImportOutcome ImportModuleLoader::Import(const std::string& source, const std::string& target,
                                         ProgressPort& progress) {
    ImportPort* importer = Importer();
    if (importer == nullptr) {
        return {ImportOutcome::Status::Failed, loadError_};
    }
    return importer->Import(source, target, progress);
}

std::vector<std::string> ImportModuleLoader::FileExtensions() const {
    const ImportPort* importer = Importer();
    return importer != nullptr ? importer->FileExtensions() : std::vector<std::string>{};
}

ImportPort* ImportModuleLoader::Importer() const {
    std::call_once(loaded_, [this] { Load(); });
    return importer_.get();
}

void ImportModuleLoader::Load() const {
    std::string error;
    void* module = OpenSharedLibrary(modulePath_, error);
    void* entry = module != nullptr ? ::dlsym(module, kImportModuleEntry) : nullptr;
    if (module != nullptr && entry == nullptr) {
        error = std::string("it has no entry point ") + kImportModuleEntry;
    }
    if (entry != nullptr) {
        // POSIX guarantees that a data pointer from dlsym converts to a function pointer.
        importer_.reset(reinterpret_cast<ImportModuleEntry>(entry)());
        if (importer_ == nullptr) {
            error = "it made no importer";
        }
    }
    if (importer_ == nullptr) {
        loadError_ = "The import module " + modulePath_ + " cannot be loaded: " + error + ".";
    }
}

}  // namespace sonaro
