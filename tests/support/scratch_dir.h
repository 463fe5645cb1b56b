#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace sonaro::test {

// A fresh directory for one test, removed with its contents at the end.
class ScratchDir {
  public:
    ScratchDir();
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    const std::string& path() const { return path_; }
    std::string File(const std::string& name) const { return path_ + "/" + name; }
    // Writes the bytes to a file of that name and answers its path.
    std::string Write(const std::string& name, const std::vector<std::uint8_t>& bytes) const;
    // The names of the files in the directory, sorted.
    std::vector<std::string> List() const;
    // The names of the regular files anywhere below the directory, sorted.
    std::vector<std::string> ListBelow() const;

  private:
    std::string path_;
};

std::vector<std::uint8_t> ReadAll(const std::string& path);
// Whether a file of that name lies anywhere below the directory.
bool HoldsFileNamed(const std::string& directory, const std::string& name);
// Waits (up to 20 s) until the condition holds; answers whether it did.
bool WaitFor(const std::function<bool()>& condition);
bool Exists(const std::string& path);

}  // namespace sonaro::test
