#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "import/decoder_process.h"
#include "import/decoder_reply_reader.h"

namespace sonaro {

// The records of one decoder process, read and checked one by one under its time limits. The
// process must send something at least every `silence`, finish before the deadline, and after
// its last record end its output (and, if it has ended by then, have exited with status 0);
// otherwise DecoderStopped says what went wrong, and the process is to be killed.
class DecoderConversation {
  public:
    // Called about every 50 ms while nothing comes; answers true to give up (a cancel).
    using Waiting = std::function<bool()>;

    DecoderConversation(DecoderProcess& process, DecoderReplyReader::Asked asked,
                        std::chrono::milliseconds silence, std::chrono::milliseconds deadline);

    // The next record; false when waiting gave up. The last one (End or Failure) is answered
    // only once the process has closed its output.
    bool Next(DecoderReply& reply, const Waiting& waiting);
    const DecoderReplyReader& reader() const { return reader_; }

  private:
    using Clock = std::chrono::steady_clock;

    // Reads what the process sends next into the reader; answers whether anything came (false:
    // the output ended, or waiting gave up, as gaveUp tells).
    bool Receive(const Waiting& waiting, bool& gaveUp);
    // Waits for the process to end; answers how it ended (HowEnded), or "" when waiting gave up.
    std::string Ending(const Waiting& waiting, bool& gaveUp);
    // Throws DecoderStopped when the process has been quiet since then for too long.
    void CheckSilence(Clock::time_point since, const char* what) const;
    // The time left before the deadline; throws DecoderStopped when it has passed.
    std::chrono::milliseconds Left() const;

    DecoderProcess& process_;
    DecoderReplyReader reader_;
    std::chrono::milliseconds silence_;
    Clock::time_point deadline_;
    std::vector<std::uint8_t> buffer_;
};

}  // namespace sonaro
