#pragma once

#include <gtest/gtest.h>

#include <QAction>
#include <QSettings>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>

#include "app/main_frame.h"
#include "app/sonaro_app.h"
#include "document/sonaro_doc.h"
#include "tests/gui/modal_script.h"
#include "tests/support/fake_sound.h"
#include "tests/support/scratch_dir.h"
#include "tests/support/wav_builder.h"

namespace sonaro::test {

// Points TMPDIR at a directory while it lives: a conversion makes its private directory there.
class TmpDirOverride {
  public:
    explicit TmpDirOverride(const std::string& path) {
        const char* old = std::getenv("TMPDIR");
        old_ = old != nullptr ? std::optional<std::string>(old) : std::nullopt;
        setenv("TMPDIR", path.c_str(), 1);
    }
    ~TmpDirOverride() {
        if (old_) {
            setenv("TMPDIR", old_->c_str(), 1);
        } else {
            unsetenv("TMPDIR");
        }
    }
    TmpDirOverride(const TmpDirOverride&) = delete;
    TmpDirOverride& operator=(const TmpDirOverride&) = delete;

  private:
    std::optional<std::string> old_;
};

// A started application with a recording sound output of one device, no file open, and an empty
// profile.
class GuiTest : public ::testing::Test {
  protected:
    explicit GuiTest(unsigned soundDevices = 1) {
        CSonaroApp::SetProfileNames();
        QSettings().clear();
        auto fake = std::make_unique<FakeSound>(soundDevices);
        sound = fake.get();
        app = std::make_unique<CSonaroApp>(std::move(fake));
    }

    void Start(const QStringList& arguments = {}) { started = app->InitInstance(arguments); }
    CMainFrame& frame() { return *app->mainFrame(); }
    CSonaroDoc& doc() { return app->document(); }
    QAction* Command(unsigned id) { return frame().action(id); }
    bool Enabled(unsigned id) { return Command(id) != nullptr && Command(id)->isEnabled(); }
    QString Caption() { return frame().windowTitle(); }

    // A valid 44100 Hz stereo 16-bit file.
    std::string ValidFile(const std::string& name = "in.wav") {
        return dir.Write(name, PcmSpec(44100, 2, 16).Build());
    }
    std::string RefusedFile(const std::string& name = "bad.wav") {
        return dir.Write(name, {'R', 'I', 'F', 'X', 0, 0, 0, 0});
    }

    ScratchDir dir;
    FakeSound* sound = nullptr;
    std::unique_ptr<CSonaroApp> app;
    bool started = false;
    std::vector<ShownMessage> messages;
};

}  // namespace sonaro::test
