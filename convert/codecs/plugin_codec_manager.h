#pragma once

#include <cstddef>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "convert/codecs/codec_driver_library.h"
#include "convert/codecs/codec_manager.h"

namespace sonaro {

// A codec manager over driver libraries (see codec_driver_api.h). A question goes to the drivers
// in the order they were loaded and the first that can answer it does. One manager may be shared
// by several threads; streams still open when it goes are closed then.
class PluginCodecManager final : public CodecManager {
  public:
    // Told of a library (or directory) that is skipped, and why.
    using SkipReport = std::function<void(const std::string& path, const std::string& reason)>;

    // Loads every library (a file whose name ends in ".so") of the directories, in their order and
    // within one directory by name. Directories that do not exist are passed over silently.
    PluginCodecManager(const std::vector<std::string>& directories, const SkipReport& report);
    ~PluginCodecManager() override;
    PluginCodecManager(const PluginCodecManager&) = delete;
    PluginCodecManager& operator=(const PluginCodecManager&) = delete;

    // The directories named in SONARO_CODEC_PATH (colon-separated), then the installed one.
    static std::vector<std::string> SearchDirectories();
    static std::string InstalledDirectory();

    int FormatSuggest(const WaveFormat& source, WaveFormat& destination) override;
    int StreamOpen(CodecStream* stream, const WaveFormat& source,
                   const WaveFormat& destination) override;
    int StreamSize(CodecStream stream, std::uint32_t sourceBytes,
                   std::uint32_t& destinationBytes) override;
    int PrepareHeader(CodecStream stream, CodecStreamHeader& header) override;
    int Convert(CodecStream stream, CodecStreamHeader& header, bool blockAlign) override;
    int UnprepareHeader(CodecStream stream, CodecStreamHeader& header) override;
    int StreamClose(CodecStream stream) override;

  private:
    // The buffers of a header as they were when it was prepared.
    struct Prepared {
        const CodecStreamHeader* header;
        const std::uint8_t* source;
        std::uint32_t sourceLength;
        std::uint8_t* destination;
        std::uint32_t destinationLength;
    };
    // An open stream. Its lock keeps two threads from using it at once.
    struct Stream {
        const sonaro_codec_driver* driver;
        sonaro_codec_stream driverStream;
        std::mutex lock;
        bool closed = false;
        std::vector<Prepared> prepared;
    };

    void LoadDirectory(const std::string& directory, const SkipReport& report);
    void LoadLibrary(const std::string& path, const SkipReport& report);
    std::shared_ptr<Stream> Find(CodecStream handle) const;
    template <typename Operation>
    int WithStream(CodecStream handle, Operation operation);
    static std::vector<Prepared>::iterator FindPrepared(Stream& stream,
                                                        const CodecStreamHeader& header);

    std::vector<std::unique_ptr<CodecDriverLibrary>> libraries_;
    mutable std::mutex streamsLock_;
    std::map<CodecStream, std::shared_ptr<Stream>> streams_;
    CodecStream nextHandle_ = 1;
};

}  // namespace sonaro
