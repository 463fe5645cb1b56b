// The one function that the import module exports (the rest is built with hidden visibility).
#include "import/import_module.h"

#include <new>

#include "import/sound_importer.h"

extern "C" __attribute__((visibility("default"))) sonaro::ImportPort* sonaro_import_module_v2() {
    return new (std::nothrow) sonaro::SoundImporter;
}
