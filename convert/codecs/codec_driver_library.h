#pragma once

#include <memory>
#include <string>

#include "convert/codecs/codec_driver_api.h"

namespace sonaro {

// One codec driver library, loaded with dlopen and unloaded when the object goes.
class CodecDriverLibrary {
  public:
    ~CodecDriverLibrary();
    CodecDriverLibrary(const CodecDriverLibrary&) = delete;
    CodecDriverLibrary& operator=(const CodecDriverLibrary&) = delete;

    // Loads the library and checks its driver table. Answers null, and why in reason, when the
    // library cannot be loaded, has no entry point, another interface version or a table that
    // lacks an operation.
    static std::unique_ptr<CodecDriverLibrary> Load(const std::string& path, std::string& reason);

    const sonaro_codec_driver& driver() const { return *driver_; }
    const std::string& path() const { return path_; }
    // The system's handle of the loaded library: the same for two paths of one library.
    void* handle() const { return handle_; }

  private:
    CodecDriverLibrary(void* handle, const sonaro_codec_driver* driver, std::string path)
        : handle_(handle), driver_(driver), path_(std::move(path)) {}

    void* handle_;
    const sonaro_codec_driver* driver_;
    std::string path_;
};

}  // namespace sonaro
