#pragma once

#include <string>

namespace sonaro {

// Loads a shared library with dlopen, every symbol bound at once and none made visible to other
// libraries (RTLD_NOW | RTLD_LOCAL). Answers its handle, or null with the loader's reason in
// error (without the library's path, which the loader puts in front of most of its texts).
void* OpenSharedLibrary(const std::string& path, std::string& error);

}  // namespace sonaro
