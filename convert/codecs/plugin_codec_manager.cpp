#include "convert/codecs/plugin_codec_manager.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "convert/files/install_paths.h"

namespace sonaro {
namespace {

sonaro_codec_format ToDriverFormat(const WaveFormat& format) {
    sonaro_codec_format out{};
    out.format_tag = format.formatTag;
    out.channels = format.channels;
    out.samples_per_sec = format.samplesPerSec;
    out.avg_bytes_per_sec = format.avgBytesPerSec;
    out.block_align = format.blockAlign;
    out.bits_per_sample = format.bitsPerSample;
    out.extra_size = format.extraSize;
    std::copy(format.extra.begin(), format.extra.end(), out.extra);
    return out;
}

WaveFormat FromDriverFormat(const sonaro_codec_format& format) {
    WaveFormat out;
    out.formatTag = format.format_tag;
    out.channels = format.channels;
    out.samplesPerSec = format.samples_per_sec;
    out.avgBytesPerSec = format.avg_bytes_per_sec;
    out.blockAlign = format.block_align;
    out.bitsPerSample = format.bits_per_sample;
    out.extraSize = format.extra_size;
    std::copy(std::begin(format.extra), std::end(format.extra), out.extra.begin());
    return out;
}

sonaro_codec_buffers ToDriverBuffers(const CodecStreamHeader& header) {
    return {header.source,      header.sourceLength,      header.sourceLengthUsed,
            header.destination, header.destinationLength, header.destinationLengthUsed};
}

bool EndsWith(const std::string& text, const std::string& end) {
    return text.size() >= end.size() &&
           text.compare(text.size() - end.size(), end.size(), end) == 0;
}

}  // namespace

PluginCodecManager::PluginCodecManager(const std::vector<std::string>& directories,
                                       const SkipReport& report) {
    for (const std::string& directory : directories) {
        LoadDirectory(directory, report);
    }
}

// Streams a caller left open are closed before their drivers are unloaded.
PluginCodecManager::~PluginCodecManager() {
    for (auto& [handle, stream] : streams_) {
        stream->driver->stream_close(stream->driverStream);
    }
    streams_.clear();
}

std::vector<std::string> PluginCodecManager::SearchDirectories() {
    std::vector<std::string> directories;
    if (const char* path = std::getenv("SONARO_CODEC_PATH"); path != nullptr) {
        const std::string list = path;
        for (std::size_t start = 0; start <= list.size();) {
            const std::size_t end = std::min(list.find(':', start), list.size());
            if (end > start) {
                directories.push_back(list.substr(start, end - start));
            }
            start = end + 1;
        }
    }
    directories.push_back(InstalledDirectory());
    return directories;
}

std::string PluginCodecManager::InstalledDirectory() {
    return InstallPaths::OfThisProgram().CodecDirectory();
}

void PluginCodecManager::LoadDirectory(const std::string& directory, const SkipReport& report) {
    namespace fs = std::filesystem;
    std::error_code error;
    if (!fs::is_directory(directory, error)) {
        return;
    }
    std::vector<std::string> paths;
    for (fs::directory_iterator it(directory, error), end; !error && it != end;
         it.increment(error)) {
        const std::string path = it->path().string();
        std::error_code typeError;
        if (EndsWith(path, ".so") && fs::is_regular_file(it->path(), typeError)) {
            paths.push_back(path);
        }
    }
    if (error) {
        report(directory, "cannot be read: " + error.message());
        return;
    }
    std::sort(paths.begin(), paths.end());
    for (const std::string& path : paths) {
        LoadLibrary(path, report);
    }
}

void PluginCodecManager::LoadLibrary(const std::string& path, const SkipReport& report) {
    std::string reason;
    auto library = CodecDriverLibrary::Load(path, reason);
    if (library == nullptr) {
        report(path, reason);
        return;
    }
    // A library reached a second time (through a link or a repeated directory) is used once.
    const bool known = std::any_of(libraries_.begin(), libraries_.end(), [&](const auto& loaded) {
        return loaded->handle() == library->handle();
    });
    if (!known) {
        libraries_.push_back(std::move(library));
    }
}

int PluginCodecManager::FormatSuggest(const WaveFormat& source, WaveFormat& destination) {
    const sonaro_codec_format from = ToDriverFormat(source);
    for (const auto& library : libraries_) {
        sonaro_codec_format to{};
        to.format_tag = destination.formatTag;
        // A suggestion of another tag than the one asked for is no answer.
        if (library->driver().format_suggest(&from, &to) == 0 &&
            to.format_tag == destination.formatTag && to.extra_size <= WaveFormat::kExtraSize) {
            destination = FromDriverFormat(to);
            return 0;
        }
    }
    return kNotPossible;
}

int PluginCodecManager::StreamOpen(CodecStream* stream, const WaveFormat& source,
                                   const WaveFormat& destination) {
    const sonaro_codec_format from = ToDriverFormat(source);
    const sonaro_codec_format to = ToDriverFormat(destination);
    for (const auto& library : libraries_) {
        const sonaro_codec_driver& driver = library->driver();
        if (stream == nullptr) {
            if (driver.stream_open(nullptr, &from, &to) == 0) {
                return 0;
            }
            continue;
        }
        sonaro_codec_stream driverStream = nullptr;
        if (driver.stream_open(&driverStream, &from, &to) == 0) {
            auto entry = std::make_shared<Stream>();
            entry->driver = &driver;
            entry->driverStream = driverStream;
            std::lock_guard guard(streamsLock_);
            *stream = nextHandle_++;
            streams_.emplace(*stream, std::move(entry));
            return 0;
        }
    }
    return kNotPossible;
}

std::shared_ptr<PluginCodecManager::Stream> PluginCodecManager::Find(CodecStream handle) const {
    std::lock_guard guard(streamsLock_);
    const auto it = streams_.find(handle);
    return it == streams_.end() ? nullptr : it->second;
}

std::vector<PluginCodecManager::Prepared>::iterator PluginCodecManager::FindPrepared(
    Stream& stream, const CodecStreamHeader& header) {
    return std::find_if(stream.prepared.begin(), stream.prepared.end(),
                        [&](const Prepared& prepared) { return prepared.header == &header; });
}

// Runs an operation on an open stream, holding the stream's lock.
template <typename Operation>
int PluginCodecManager::WithStream(CodecStream handle, Operation operation) {
    const auto stream = Find(handle);
    if (stream == nullptr) {
        return kInvalidHandle;
    }
    std::lock_guard guard(stream->lock);
    if (stream->closed) {
        return kInvalidHandle;
    }
    return operation(*stream);
}

int PluginCodecManager::StreamSize(CodecStream handle, std::uint32_t sourceBytes,
                                   std::uint32_t& destinationBytes) {
    return WithStream(handle, [&](Stream& stream) {
        return stream.driver->stream_size(stream.driverStream, sourceBytes, &destinationBytes);
    });
}

int PluginCodecManager::PrepareHeader(CodecStream handle, CodecStreamHeader& header) {
    return WithStream(handle, [&](Stream& stream) {
        if (FindPrepared(stream, header) != stream.prepared.end()) {
            return kNotPrepared;
        }
        if (header.source == nullptr || header.sourceLength == 0 || header.destination == nullptr ||
            header.destinationLength == 0) {
            return kInvalidParameter;
        }
        const sonaro_codec_buffers buffers = ToDriverBuffers(header);
        if (const int result = stream.driver->prepare(stream.driverStream, &buffers); result != 0) {
            return result;
        }
        stream.prepared.push_back({&header, header.source, header.sourceLength, header.destination,
                                   header.destinationLength});
        header.status = (header.status | CodecStreamHeader::kPrepared) & ~CodecStreamHeader::kDone;
        return 0;
    });
}

// The buffers must be those that were prepared, and no longer than they were then. What the
// driver says it used must lie within them.
int PluginCodecManager::Convert(CodecStream handle, CodecStreamHeader& header, bool blockAlign) {
    return WithStream(handle, [&](Stream& stream) {
        const auto prepared = FindPrepared(stream, header);
        if (prepared == stream.prepared.end()) {
            return kNotPrepared;
        }
        if (header.source != prepared->source || header.destination != prepared->destination ||
            header.sourceLength > prepared->sourceLength ||
            header.destinationLength > prepared->destinationLength) {
            return kInvalidParameter;
        }
        header.status &= ~CodecStreamHeader::kDone;
        sonaro_codec_buffers buffers = ToDriverBuffers(header);
        buffers.source_length_used = 0;
        buffers.destination_length_used = 0;
        const std::uint32_t flags = blockAlign ? SONARO_CODEC_CONVERT_BLOCK_ALIGN : 0;
        if (const int result = stream.driver->convert(stream.driverStream, &buffers, flags);
            result != 0) {
            return result;
        }
        if (buffers.source_length_used > header.sourceLength ||
            buffers.destination_length_used > header.destinationLength) {
            return kDriverFault;
        }
        header.sourceLengthUsed = buffers.source_length_used;
        header.destinationLengthUsed = buffers.destination_length_used;
        header.status |= CodecStreamHeader::kDone;
        return 0;
    });
}

int PluginCodecManager::UnprepareHeader(CodecStream handle, CodecStreamHeader& header) {
    return WithStream(handle, [&](Stream& stream) {
        const auto prepared = FindPrepared(stream, header);
        if (prepared == stream.prepared.end()) {
            return kNotPrepared;
        }
        const sonaro_codec_buffers buffers = ToDriverBuffers(header);
        if (const int result = stream.driver->unprepare(stream.driverStream, &buffers);
            result != 0) {
            return result;
        }
        stream.prepared.erase(prepared);
        header.status &= ~CodecStreamHeader::kPrepared;
        return 0;
    });
}

// A stream whose driver refuses to close stays open (and is closed again when the manager goes).
int PluginCodecManager::StreamClose(CodecStream handle) {
    return WithStream(handle, [&](Stream& stream) {
        if (const int result = stream.driver->stream_close(stream.driverStream); result != 0) {
            return result;
        }
        stream.closed = true;
        stream.prepared.clear();
        std::lock_guard guard(streamsLock_);
        streams_.erase(handle);
        return 0;
    });
}

}  // namespace sonaro
