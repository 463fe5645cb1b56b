#pragma once

#include "convert/operations/import_port.h"

// The import as a module that sonaro-convert loads only when it imports a file, so that libsndfile,
// libsoxr and the codec libraries behind them are not loaded by every run. The module exports this
// one function; it answers a new importer (null when memory is short), which the caller deletes.
// Program and module pass C++ objects to each other, so both come from one build; the name
// carries a version, raised whenever ImportPort changes, so that a stale module is refused.
extern "C" sonaro::ImportPort* sonaro_import_module_v2();

namespace sonaro {

inline constexpr char kImportModuleEntry[] = "sonaro_import_module_v2";
using ImportModuleEntry = ImportPort* (*)();

}  // namespace sonaro
