#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace sonaro::test {

// The test codec libraries, each alone in its build directory: the Voxware driver, the same
// driver for another format tag, one of another interface version, and one without entry point.
std::string VoxwareCodecLibrary();
std::string OtherTagCodecLibrary();
std::string WrongVersionCodecLibrary();
std::string BrokenCodecLibrary();
// The directory a library lies in.
std::string DirectoryOf(const std::string& library);

// What the test driver's rule gives for each whole 27-byte block of data, worked out sample by
// sample apart from the driver's code.
std::vector<std::uint8_t> TestCodecDecode(const std::vector<std::uint8_t>& data);

// Varied Voxware data of that many bytes; over a few blocks they drive the decoded value into both
// of its limits.
std::vector<std::uint8_t> VoxwareData(std::size_t size);

// Keeps a test codec library loaded while it lives and tells what its driver holds now, so a test
// can see that nothing is left open, also after a codec manager unloaded its own reference.
class TestCodecProbe {
  public:
    explicit TestCodecProbe(const std::string& library = VoxwareCodecLibrary());
    ~TestCodecProbe();
    TestCodecProbe(const TestCodecProbe&) = delete;
    TestCodecProbe& operator=(const TestCodecProbe&) = delete;

    int OpenStreams() const;
    int PreparedBuffers() const;

  private:
    void* handle_;
    int (*openStreams_)();
    int (*preparedBuffers_)();
};

}  // namespace sonaro::test
