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

std::vector<std::uint8_t> TestCodecDecode(const std::vector<std::uint8_t>& data) {
    std::vector<std::uint8_t> out;
    for (std::size_t block = 0; block + 27 <= data.size(); block += 27) {
        const std::uint8_t* b = data.data() + block;
        const int step = (b[0] % 16) + 1;
        long value = static_cast<std::int16_t>(b[1] + 256 * b[2]);
        for (int n = 0; n < 720; ++n) {
            value += static_cast<std::int8_t>(b[3 + n / 30]) * step;
            value = value > 32767 ? 32767 : value < -32768 ? -32768 : value;
            out.push_back(static_cast<std::uint8_t>(value & 0xFF));
            out.push_back(static_cast<std::uint8_t>((value >> 8) & 0xFF));
        }
    }
    return out;
}

std::vector<std::uint8_t> VoxwareData(std::size_t size) {
    std::vector<std::uint8_t> data(size);
    std::uint32_t state = 12345;
    for (auto& byte : data) {
        state = state * 1103515245U + 12345U;
        byte = static_cast<std::uint8_t>(state >> 16);
    }
    return data;
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
