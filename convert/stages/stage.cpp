#include "convert/stages/stage.h"

namespace sonaro {

int BarShare::Position(std::uint64_t index, std::uint64_t count) const {
    const double share =
        static_cast<double>(span) * static_cast<double>(index) / static_cast<double>(count);
    return base + static_cast<int>(share);
}

Stage::Stage(StageContext& context, BarShare bar)
    : context_(context), bar_(bar), reporter_(context.progress) {
    reporter_.SetBeforePump([this] { output_.Report(); });
}

bool Stage::Cancelled(std::uint64_t index, std::uint64_t count) {
    cancelled_ = reporter_.Report(bar_.Position(index, count));
    return cancelled_;
}

bool Stage::Fail(unsigned message) {
    ShowStringMessage(context_.messages, message);
    return false;
}

void Stage::Finish(Input input) {
    output_.Close();
    input_.Close();
    if (input == Input::Remove) {
        File::Remove(input_.path());
    }
}

}  // namespace sonaro
