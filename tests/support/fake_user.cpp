#include "tests/support/fake_user.h"

namespace sonaro::test {
namespace {

// Hands the document a window whose record outlives it.
class ProgressProxy final : public ProgressPort {
  public:
    explicit ProgressProxy(ScriptedProgress& target) : target_(target) {}
    bool BeginModal(const std::string& title, bool smooth) override {
        return target_.BeginModal(title, smooth);
    }
    int SetBarRange(int lower, int upper, int step) override {
        return target_.SetBarRange(lower, upper, step);
    }
    int SetBarPos(int position) override { return target_.SetBarPos(position); }
    void SetMessage(const std::string& text) override { target_.SetMessage(text); }
    void Layout(int lines, int width) override { target_.Layout(lines, width); }
    void PumpWaitingMessages(bool cancelOnEscape) override {
        target_.PumpWaitingMessages(cancelOnEscape);
    }
    bool IsCancelled() const override { return target_.IsCancelled(); }

  private:
    ScriptedProgress& target_;
};

}  // namespace

SaveAnswer FakeUser::AskSaveChanges(const std::string& name) {
    savePrompts.push_back(name);
    return saveAnswer;
}

std::optional<std::string> FakeUser::ChooseOpenPath(const std::string& startDirectory) {
    openDialogs.push_back(startDirectory);
    return openPath;
}

std::optional<std::string> FakeUser::ChooseSavePath(const std::string& startDirectory,
                                                    const std::string& initialName) {
    saveDialogs.emplace_back(startDirectory, initialName);
    return savePath;
}

bool FakeUser::RunSettings(SettingsValues& values) {
    settingsShown.push_back(values);
    return settings ? settings(values) : false;
}

std::unique_ptr<ProgressPort> FakeUser::CreateProgress(const std::string& title, bool smooth) {
    ++progressWindows;
    lastProgress = ScriptedProgress(cancelAtPump);
    lastProgress.calls.push_back("Create(" + title + ", " + std::to_string(smooth) + ")");
    return std::make_unique<ProgressProxy>(lastProgress);
}

}  // namespace sonaro::test
