#include "convert/stages/side_by_side.h"

#include <exception>
#include <optional>
#include <stdexcept>
#include <system_error>
#include <thread>

#include "convert/stages/growing_file.h"
#include "convert/stages/stopping_progress.h"

namespace sonaro {
namespace {

// The writer's progress: shown nowhere; it stops when the reader asks it to.
class WriterPort final : public ProgressPort {
  public:
    explicit WriterPort(const GrowingFile& file) : file_(file) {}
    void SetMessage(const std::string&) override {}
    bool Report(int) override { return file_.StopAsked(); }

  private:
    const GrowingFile& file_;
};

}  // namespace

Outcome<std::uint32_t> RunSideBySide(const Stage& writer, StageCall writerCall,
                                     const SideReader& reader, ProgressPort& progress) {
    GrowingFile file;
    writerCall.followedBy = &file;
    WriterPort writerPort(file);
    std::optional<Outcome<std::uint32_t>> written;
    std::exception_ptr fault;
    const auto write = [&] {
        try {
            written = writer.Run(writerCall, writerPort);
        } catch (...) {
            fault = std::current_exception();
        }
    };
    std::thread thread;
    try {
        thread = std::thread(write);
    } catch (const std::system_error&) {
        write();  // one after the other
    }
    std::optional<Outcome<std::uint32_t>> read;
    if (const std::optional<std::uint32_t> frames = file.AwaitCreated()) {
        // The reader's progress is shown; it stops when the writer failed.
        StoppingProgress readerPort(progress, [&] { return file.WriterFailed(); });
        try {
            read = reader(*frames, file, readerPort);
        } catch (...) {
            file.AskToStop();
            if (thread.joinable()) {
                thread.join();
            }
            throw;
        }
    }
    // A reader that succeeded has read all the writer promised: the writer ends of itself, and
    // is not asked to stop (it could take that for a cancel at its last report).
    const bool readerDone = read && *read;
    const bool writerEndedFirst = readerDone || file.AskToStop();
    if (thread.joinable()) {
        thread.join();
    }
    if (fault) {
        std::rethrow_exception(fault);
    }
    if (!*written && (writerEndedFirst || !read)) {
        return *written;
    }
    if (!read) {
        throw std::logic_error("a stage beside another made no file and did not fail");
    }
    return *read;
}

}  // namespace sonaro
