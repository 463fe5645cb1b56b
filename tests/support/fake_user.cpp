#include "tests/support/fake_user.h"

namespace sonaro::test {
namespace {

// Hands the document a window whose record outlives it, and notes when it goes.
class ProgressProxy final : public ProgressPort {
  public:
    ProgressProxy(ScriptedProgress& target, std::vector<std::string>& events)
        : target_(target), events_(events) {}
    ~ProgressProxy() override { events_.push_back("Closed"); }
    void SetMessage(const std::string& text) override { target_.SetMessage(text); }
    bool Report(int position) override { return target_.Report(position); }

  private:
    ScriptedProgress& target_;
    std::vector<std::string>& events_;
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

std::unique_ptr<ProgressPort> FakeUser::CreateProgress(const std::string& title,
                                                       const std::string& message) {
    events.push_back("Progress(" + title + ", " + message + ")");
    lastProgress = ScriptedProgress(cancelAtReport);
    lastProgress.SetMessage(message);
    return std::make_unique<ProgressProxy>(lastProgress, events);
}

}  // namespace sonaro::test
