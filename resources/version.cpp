#include "resources/version.h"

#ifndef SONARO_VERSION
#error "SONARO_VERSION must give the project's version"
#endif

namespace sonaro {

const char* Version() {
    return SONARO_VERSION;
}

std::string VersionText(const std::string& program) {
    return program + " " + SONARO_VERSION +
           "\n"
           "Copyright (C) 2026 The Sonaro developers. MIT licence: free to use, change and share; "
           "no warranty.\n";
}

}  // namespace sonaro
