#include "import/decoder_conversation.h"

#include <algorithm>
#include <string>

#include "import/decoder_stopped.h"

namespace sonaro {
namespace {

// How often the waiting function is called while the process is quiet.
constexpr std::chrono::milliseconds kPoll(50);
constexpr std::size_t kReadBytes = std::size_t{1} << 18;

}  // namespace

DecoderConversation::DecoderConversation(DecoderProcess& process, DecoderReplyReader::Asked asked,
                                         std::chrono::milliseconds silence,
                                         std::chrono::milliseconds deadline)
    : process_(process),
      reader_(asked),
      silence_(silence),
      deadline_(Clock::now() + deadline),
      buffer_(kReadBytes) {}

bool DecoderConversation::Next(DecoderReply& reply, const Waiting& waiting) {
    while (!reader_.Next(reply)) {
        bool gaveUp = false;
        if (Receive(waiting, gaveUp)) {
            continue;
        }
        if (gaveUp) {
            return false;
        }
        // The output ended before the last record: how the process ended says why.
        const std::string how = Ending(waiting, gaveUp);
        if (gaveUp) {
            return false;
        }
        throw DecoderStopped(how.empty() ? "its output ended before its last record" : how);
    }
    if (!reader_.ended()) {
        return true;
    }
    // The decoder closes its output as it ends: nothing more may come. The end itself, which
    // takes a while for a process with many libraries, is not waited for; but a process that
    // has ended already must have ended well.
    reader_.CheckNothingFollows();
    bool gaveUp = false;
    while (Receive(waiting, gaveUp)) {
    }
    if (gaveUp) {
        return false;
    }
    if (process_.WaitEnd(std::chrono::milliseconds(0))) {
        if (const std::string how = process_.HowEnded(); !how.empty()) {
            throw DecoderStopped(how);
        }
    }
    return true;
}

bool DecoderConversation::Receive(const Waiting& waiting, bool& gaveUp) {
    const auto quietSince = Clock::now();
    for (;;) {
        const long got = process_.Read(buffer_.data(), buffer_.size(), std::min(kPoll, Left()));
        if (got > 0) {
            reader_.Append(buffer_.data(), static_cast<std::size_t>(got));
            return true;
        }
        if (got == 0) {
            return false;
        }
        CheckSilence(quietSince, "sent nothing");
        if (waiting()) {
            gaveUp = true;
            return false;
        }
    }
}

std::string DecoderConversation::Ending(const Waiting& waiting, bool& gaveUp) {
    const auto quietSince = Clock::now();
    while (!process_.WaitEnd(std::min(kPoll, Left()))) {
        CheckSilence(quietSince, "did not end");
        if (waiting()) {
            gaveUp = true;
            return {};
        }
    }
    return process_.HowEnded();
}

void DecoderConversation::CheckSilence(Clock::time_point since, const char* what) const {
    const auto quiet = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - since);
    if (quiet >= silence_) {
        throw DecoderStopped(std::string(what) + " for " + std::to_string(quiet.count()) + " ms");
    }
}

std::chrono::milliseconds DecoderConversation::Left() const {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline_ - Clock::now());
    if (left.count() <= 0) {
        throw DecoderStopped("ran past its deadline");
    }
    return left;
}

}  // namespace sonaro
