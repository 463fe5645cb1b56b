#include "convert/codecs/codec_driver_library.h"

#include <dlfcn.h>

#include "convert/files/shared_library.h"

namespace sonaro {
namespace {

bool IsComplete(const sonaro_codec_driver& driver) {
    return driver.format_suggest != nullptr && driver.stream_open != nullptr &&
           driver.stream_size != nullptr && driver.prepare != nullptr &&
           driver.unprepare != nullptr && driver.convert != nullptr &&
           driver.stream_close != nullptr;
}

// Checks the table the entry point gave; answers why it cannot be used, or nothing.
std::string TableProblem(const sonaro_codec_driver* driver) {
    if (driver == nullptr) {
        return "its entry point gave no driver table";
    }
    if (driver->api_version != SONARO_CODEC_DRIVER_API_VERSION) {
        return "driver interface version " + std::to_string(driver->api_version) +
               ", this program needs version " + std::to_string(SONARO_CODEC_DRIVER_API_VERSION);
    }
    if (!IsComplete(*driver)) {
        return "its driver table lacks an operation";
    }
    return {};
}

}  // namespace

CodecDriverLibrary::~CodecDriverLibrary() {
    ::dlclose(handle_);
}

std::unique_ptr<CodecDriverLibrary> CodecDriverLibrary::Load(const std::string& path,
                                                             std::string& reason) {
    std::string error;
    void* handle = OpenSharedLibrary(path, error);
    if (handle == nullptr) {
        reason = "cannot be loaded: " + error;
        return nullptr;
    }
    void* symbol = ::dlsym(handle, SONARO_CODEC_DRIVER_ENTRY);
    if (symbol == nullptr) {
        ::dlclose(handle);
        reason = "no entry point " SONARO_CODEC_DRIVER_ENTRY;
        return nullptr;
    }
    // POSIX guarantees that a data pointer from dlsym converts to a function pointer.
    const auto entry = reinterpret_cast<sonaro_codec_driver_entry_fn>(symbol);
    const sonaro_codec_driver* driver = entry();
    reason = TableProblem(driver);
    if (!reason.empty()) {
        ::dlclose(handle);
        return nullptr;
    }
    return std::unique_ptr<CodecDriverLibrary>(new CodecDriverLibrary(handle, driver, path));
}

}  // namespace sonaro
