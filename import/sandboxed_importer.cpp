#include "import/sandboxed_importer.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <new>
#include <optional>

#include "convert/files/file.h"
#include "convert/files/install_paths.h"
#include "import/decoder_conversation.h"
#include "import/decoder_stopped.h"
#include "import/import_failure.h"
#include "import/imported_wave.h"
#include "import/stream_spool.h"
#include "resources/string_ids.h"

namespace sonaro {
namespace {

std::uint64_t LengthOf(int fd) {
    struct stat status {};
    return ::fstat(fd, &status) == 0 && status.st_size > 0
               ? static_cast<std::uint64_t>(status.st_size)
               : 0;
}

std::string DirectoryOf(const std::string& path) {
    const std::string directory = std::filesystem::path(path).parent_path().string();
    return directory.empty() ? "." : directory;
}

}  // namespace

class SandboxedImporter::Finishing {
  public:
    Finishing(const SandboxedImporter& importer, std::unique_ptr<DecoderProcess> process)
        : importer_(importer), process_(std::move(process)) {}
    ~Finishing() { importer_.Finish(std::move(process_)); }
    Finishing(const Finishing&) = delete;
    Finishing& operator=(const Finishing&) = delete;

    DecoderProcess& operator*() const { return *process_; }

  private:
    const SandboxedImporter& importer_;
    std::unique_ptr<DecoderProcess> process_;
};

SandboxedImporter::SandboxedImporter()
    : SandboxedImporter(InstallPaths::OfThisProgram().DecoderProgram()) {}

SandboxedImporter::SandboxedImporter(std::string decoder, DecoderLimits limits, Ahead ahead)
    : decoder_(std::move(decoder)), limits_(limits), ahead_(ahead), starter_(decoder_) {}

SandboxedImporter::~SandboxedImporter() = default;

std::optional<Failure> SandboxedImporter::Attempt(const std::string& source,
                                                  const std::string& target,
                                                  ProgressPort& progress) const {
    Failure failure = Failure::Of(IDS_CONVERSION_CANCELLED, source);
    ProgressReporter reporter(progress);
    try {
        if (Run(source, target, reporter)) {
            return std::nullopt;
        }
    } catch (const ImportFailure& reason) {
        failure = Failure::Words(reason.what(), source);
    } catch (const DecoderStopped&) {
        failure = Failure::Of(IDS_DECODER_STOPPED, source);
    } catch (const FileException& error) {
        failure = Failure::Words(std::strerror(error.osError()), source);
        failure.osError = error.osError();
    } catch (const std::bad_alloc&) {
        failure = Failure::Words("Not enough memory.", source);
    }
    std::remove(target.c_str());
    return failure;
}

// Whatever the outcome, the decoder of the next import starts loading now.
std::optional<Failure> SandboxedImporter::Import(const std::string& source,
                                                 const std::string& target,
                                                 ProgressPort& progress) {
    std::optional<Failure> failure = Attempt(source, target, progress);
    StartAhead();
    return failure;
}

bool SandboxedImporter::Run(const std::string& source, const std::string& target,
                            ProgressReporter& reporter) const {
    if (!StreamSpool::IsStream(source)) {
        const File input(source, File::Mode::Read);
        return Decode(input.descriptor(), target, reporter);
    }
    StreamSpool spool(DirectoryOf(target));
    return spool.Fill(source, reporter) && Decode(spool.descriptor(), target, reporter);
}

// The bar is shown at 0 before the decoder starts, however soon its first samples come.
bool SandboxedImporter::Decode(int input, const std::string& target,
                               ProgressReporter& reporter) const {
    if (reporter.Report(0)) {
        return false;
    }
    const std::uint64_t length = LengthOf(input);
    const Finishing process(*this, Started(limits_.Job("decode", length), input));
    DecoderConversation talk(*process, DecoderReplyReader::Asked::Sound, limits_.silence,
                             limits_.Deadline(length));
    std::optional<ImportedWave> wave;
    int position = 0;
    const auto waiting = [&] { return reporter.Report(position); };
    DecoderReply reply;
    while (talk.Next(reply, waiting)) {
        switch (reply.type) {
            case decoder::RecordType::Sound:
                wave.emplace(reply.source, talk.reader().plan(), target);
                break;
            case decoder::RecordType::Samples:
                wave->Add(reply.samples, reply.sampleBytes);
                position = wave->Position(reply.progress);
                if (reporter.Report(position)) {
                    return false;
                }
                break;
            case decoder::RecordType::Failure:
                throw ImportFailure(reply.text);
            default:
                return wave->Finish(reporter);
        }
    }
    return false;
}

std::vector<std::string> SandboxedImporter::FileExtensions() const {
    {
        std::lock_guard lock(extensionsLock_);
        if (extensions_.empty()) {
            try {
                extensions_ = AskExtensions();
            } catch (const ImportFailure&) {
            } catch (const DecoderStopped&) {
            } catch (const std::bad_alloc&) {
            }
        }
    }
    // An import dialog asks: the file chosen will find its decoder loaded.
    StartAhead();
    std::lock_guard lock(extensionsLock_);
    return extensions_;
}

// The endings, sorted, each once; none unless the decoder ended its list well.
std::vector<std::string> SandboxedImporter::AskExtensions() const {
    const Finishing process(*this, Started(limits_.Job("extensions", 0), -1));
    DecoderConversation talk(*process, DecoderReplyReader::Asked::Extensions, limits_.silence,
                             limits_.Deadline(0));
    std::vector<std::string> endings;
    DecoderReply reply;
    while (talk.Next(reply, [] { return false; })) {
        if (reply.type == decoder::RecordType::Failure) {
            return {};
        }
        if (reply.type == decoder::RecordType::End) {
            break;
        }
        endings.push_back(reply.text);
    }
    std::sort(endings.begin(), endings.end());
    endings.erase(std::unique(endings.begin(), endings.end()), endings.end());
    return endings;
}

std::unique_ptr<DecoderProcess> SandboxedImporter::Started(const std::vector<std::string>& job,
                                                           int input) const {
    std::unique_ptr<DecoderProcess> process =
        ahead_ == Ahead::Start ? starter_.TakeReady() : nullptr;
    // One started ahead may have gone since (killed, or out of memory).
    if (process) {
        try {
            process->Assign(job, input);
            return process;
        } catch (const ImportFailure&) {
            Finish(std::move(process));
        }
    }
    process = std::make_unique<DecoderProcess>(decoder_);
    process->Assign(job, input);
    return process;
}

void SandboxedImporter::StartAhead() const {
    if (ahead_ == Ahead::Start) {
        starter_.StartNext();
    }
}

void SandboxedImporter::Finish(std::unique_ptr<DecoderProcess> process) const {
    if (ahead_ == Ahead::Start) {
        starter_.Retire(std::move(process));
    }
}

}  // namespace sonaro
