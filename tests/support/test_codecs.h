#pragma once

#include <string>

namespace sonaro::test {

// The test codec libraries, each alone in its build directory: the Voxware driver, the same
// driver for another format tag, one of another interface version, and one without entry point.
std::string VoxwareCodecLibrary();
std::string OtherTagCodecLibrary();
std::string WrongVersionCodecLibrary();
std::string BrokenCodecLibrary();
// The directory a library lies in.
std::string DirectoryOf(const std::string& library);

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
