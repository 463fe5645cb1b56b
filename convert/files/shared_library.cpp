#include "convert/files/shared_library.h"

#include <dlfcn.h>

namespace sonaro {

void* OpenSharedLibrary(const std::string& path, std::string& error) {
    ::dlerror();  // forget an earlier error
    void* handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        const char* text = ::dlerror();
        error = text != nullptr ? text : "unknown error";
        const std::string prefix = path + ": ";
        if (error.compare(0, prefix.size(), prefix) == 0) {
            error.erase(0, prefix.size());
        }
    }
    return handle;
}

}  // namespace sonaro
