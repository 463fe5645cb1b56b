#include "tests/fuzz/fuzz_input.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <vector>

namespace sonaro::fuzz {
namespace {

class InputDirectory {
  public:
    InputDirectory() {
        std::string pattern = std::filesystem::temp_directory_path().string() + "/fuzz-XXXXXX";
        std::vector<char> name(pattern.begin(), pattern.end());
        name.push_back('\0');
        if (::mkdtemp(name.data()) == nullptr) {
            throw std::runtime_error("cannot make the fuzzer's input directory");
        }
        path_ = name.data();
    }
    ~InputDirectory() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    InputDirectory(const InputDirectory&) = delete;
    InputDirectory& operator=(const InputDirectory&) = delete;

    const std::string& path() const { return path_; }

  private:
    std::string path_;
};

const InputDirectory& Directory() {
    static const InputDirectory directory;
    return directory;
}

}  // namespace

std::string ScratchPath(const std::string& name) {
    return Directory().path() + "/" + name;
}

std::string WriteInput(const std::uint8_t* data, std::size_t size) {
    const std::string path = ScratchPath("input.wav");
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr || std::fwrite(data, 1, size, file) != size || std::fclose(file) != 0) {
        std::abort();  // the fuzzer's own machinery failed, not the code under test
    }
    return path;
}

}  // namespace sonaro::fuzz
