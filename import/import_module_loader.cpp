#include "import/import_module_loader.h"

#include <dlfcn.h>

#include <utility>

#include "convert/files/install_paths.h"
#include "convert/files/shared_library.h"
#include "import/import_module.h"

namespace sonaro {
namespace {

// Loads the module and has it make an importer; answers null, with why in error, when it cannot.
ImportPort* MakeImporter(const std::string& path, std::string& error) {
    void* module = OpenSharedLibrary(path, error);
    if (module == nullptr) {
        return nullptr;
    }
    void* entry = ::dlsym(module, kImportModuleEntry);
    if (entry == nullptr) {
        error = std::string("it has no entry point ") + kImportModuleEntry;
        return nullptr;
    }
    // POSIX guarantees that a data pointer from dlsym converts to a function pointer.
    ImportPort* importer = reinterpret_cast<ImportModuleEntry>(entry)();
    if (importer == nullptr) {
        error = "it made no importer";
    }
    return importer;
}

}  // namespace

ImportModuleLoader::ImportModuleLoader()
    : ImportModuleLoader(InstallPaths::OfThisProgram().ImportModule()) {}

ImportModuleLoader::ImportModuleLoader(std::string modulePath)
    : modulePath_(std::move(modulePath)) {}

// The module stays loaded until the process ends: the libraries it brings (libgomp's threads
// among them) are not made to be unloaded while the program runs.
ImportModuleLoader::~ImportModuleLoader() = default;

std::optional<Failure> ImportModuleLoader::Import(const std::string& source,
                                                  const std::string& target,
                                                  ProgressPort& progress) {
    ImportPort* importer = Importer();
    if (importer == nullptr) {
        return Failure::Words(loadError_, source);
    }
    return importer->Import(source, target, progress);
}

std::vector<std::string> ImportModuleLoader::FileExtensions() const {
    const ImportPort* importer = Importer();
    return importer != nullptr ? importer->FileExtensions() : std::vector<std::string>{};
}

ImportPort* ImportModuleLoader::Importer() const {
    std::call_once(loaded_, [this] {
        std::string error;
        importer_.reset(MakeImporter(modulePath_, error));
        if (importer_ == nullptr) {
            loadError_ = "The import module " + modulePath_ + " cannot be loaded: " + error + ".";
        }
    });
    return importer_.get();
}

}  // namespace sonaro
