#include "convert/codecs/codec_driver_library.h"

#include <dlfcn.h>

namespace sonaro {
namespace {

// The loader's last error, without the path it usually starts with.
std::string LoadError(const std::string& path) {
    const char* error = ::dlerror();
    std::string text = error != nullptr ? error : "unknown error";
    const std::string prefix = path + ": ";
    if (text.compare(0, prefix.size(), prefix) == 0) {
        text.erase(0, prefix.size());
    }
    return text;
}

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
    ::dlerror();  // forget an earlier error
    void* handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        reason = "cannot be loaded: " + LoadError(path);
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
