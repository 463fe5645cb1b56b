#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "convert/operations/import_port.h"

namespace sonaro {

// The import of the import module (import/import_module.h), loaded on first use, so that a run
// that imports nothing does not load libsndfile and libsoxr. When the module cannot be loaded,
// every import fails and names the module and the loader's reason, and no extension is offered.
// Imports may run at once in several threads, as those of the module itself may.
class ImportModuleLoader final : public ImportPort {
  public:
    // The module installed with the running program.
    ImportModuleLoader();
    explicit ImportModuleLoader(std::string modulePath);
    ~ImportModuleLoader() override;

    std::optional<Failure> Import(const std::string& source, const std::string& target,
                                  ProgressPort& progress) override;
    std::vector<std::string> FileExtensions() const override;

  private:
    // The module's importer, loaded at the first call; null when it cannot be, with the reason in
    // loadError_.
    ImportPort* Importer() const;

    std::string modulePath_;
    mutable std::once_flag loaded_;
    mutable std::unique_ptr<ImportPort> importer_;
    mutable std::string loadError_;
};

}  // namespace sonaro
