#include "convert/stages/stage_work.h"

namespace sonaro {

int BarShare::Position(std::uint64_t index, std::uint64_t count) const {
    const double share =
        static_cast<double>(span) * static_cast<double>(index) / static_cast<double>(count);
    return base + static_cast<int>(share);
}

StageWork::StageWork(const StageCall& call, ProgressPort& progress)
    : call_(call), bar_(call.bar), reporter_(progress) {
    reporter_.SetBeforeReport([this] { output_.Report(); });
    input_.Follow(call.input.growing);
    output_.FollowedBy(call.followedBy);
}

StageWork::~StageWork() {
    if (call_.followedBy != nullptr) {
        call_.followedBy->Ended(finished_);
    }
}

void StageWork::Promise(std::uint32_t frames, std::size_t frameBytes) {
    if (call_.followedBy != nullptr) {
        call_.followedBy->Created(frames, std::uint64_t{frames} * frameBytes);
    }
}

bool StageWork::Cancelled(std::uint64_t index, std::uint64_t count) {
    return reporter_.Report(bar_.Position(index, count));
}

StageWork::Count StageWork::Fail(unsigned message) {
    failure_ = Failure::Of(message);
    return std::nullopt;
}

void StageWork::Finish() {
    output_.Close();
    finished_ = true;
    if (!call_.input.consumed) {
        input_.Close();
        return;
    }
    // Removed while open, a file's pages are freed by its last close, which the closer, when
    // there is one, does on the side.
    File::Remove(call_.input.path);
    if (call_.input.closer != nullptr) {
        input_.CloseBy(*call_.input.closer);
    } else {
        input_.Close();
    }
}

}  // namespace sonaro
