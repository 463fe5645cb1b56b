#include "tests/support/test_codecs.h"

#include <dlfcn.h>

#include <stdexcept>

namespace sonaro::test {
namespace {

template <typename Function>
Function Symbol(void* handle, const char* name) {
    void* symbol = ::dlsym(handle, name);
    if (symbol == nullptr) {
        throw std::runtime_error(std::string("test codec lacks ") + name);
    }
    return reinterpret_cast<Function>(symbol);
}

}  // namespace

std::string VoxwareCodecLibrary() {
    return SONARO_VOXWARE_TEST_CODEC;
}

std::string OtherTagCodecLibrary() {
    return SONARO_OTHER_TAG_TEST_CODEC;
}

std::string WrongVersionCodecLibrary() {
    return SONARO_WRONG_VERSION_TEST_CODEC;
}

std::string BrokenCodecLibrary() {
    return SONARO_BROKEN_TEST_CODEC;
}

std::string DirectoryOf(const std::string& library) {
    return library.substr(0, library.rfind('/'));
}

TestCodecProbe::TestCodecProbe(const std::string& library)
    : handle_(::dlopen(library.c_str(), RTLD_NOW | RTLD_LOCAL)) {
    if (handle_ == nullptr) {
        throw std::runtime_error("cannot load " + library);
    }
    openStreams_ = Symbol<int (*)()>(handle_, "sonaro_test_codec_open_streams");
    preparedBuffers_ = Symbol<int (*)()>(handle_, "sonaro_test_codec_prepared_buffers");
}

TestCodecProbe::~TestCodecProbe() {
    ::dlclose(handle_);
}

int TestCodecProbe::OpenStreams() const {
    return openStreams_();
}

int TestCodecProbe::PreparedBuffers() const {
    return preparedBuffers_();
}

}  // namespace sonaro::test
