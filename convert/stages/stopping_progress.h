#pragma once

#include <functional>
#include <string>

#include "convert/stages/progress_port.h"

namespace sonaro {

// Progress shown through another interface, which also answers stop when a condition of the
// caller's holds (the whole run stopping, a stage beside failing). Every position is passed on.
class StoppingProgress final : public ProgressPort {
  public:
    StoppingProgress(ProgressPort& shown, std::function<bool()> stop)
        : shown_(shown), stop_(std::move(stop)) {}

    void SetMessage(const std::string& text) override { shown_.SetMessage(text); }
    bool Report(int position) override {
        const bool asked = shown_.Report(position);
        return asked || stop_();
    }

  private:
    ProgressPort& shown_;
    std::function<bool()> stop_;
};

}  // namespace sonaro
