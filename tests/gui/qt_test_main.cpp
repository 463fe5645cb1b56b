// The main of the GUI test programs: the offscreen platform unless another is asked for, Qt's own
// file dialogs, one application object for all tests, a profile and a runtime directory of their
// own in scratch directories, and a time limit for each test.
#include <gtest/gtest.h>

#include <QApplication>
#include <QSettings>
#include <cstdlib>

#include "tests/gui/hang_guard.h"
#include "tests/support/scratch_dir.h"

namespace {

// Well below the time limit CTest gives each test, so that a hang is reported by this program.
constexpr int kTestLimitMs = 30000;

}  // namespace

int main(int argc, char** argv) {
    if (std::getenv("QT_QPA_PLATFORM") == nullptr) {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    }
    // Without one, Qt makes runtime-$USER in the temporary directory and leaves it there.
    const sonaro::test::ScratchDir runtime;
    if (std::getenv("XDG_RUNTIME_DIR") == nullptr) {
        setenv("XDG_RUNTIME_DIR", runtime.path().c_str(), 1);
    }
    const sonaro::test::ScratchDir profile;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                       QString::fromStdString(profile.path()));
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope,
                       QString::fromStdString(profile.path()));
    // Qt's own file dialogs, which the tests drive, wherever the platform has native ones.
    QCoreApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
    QApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    sonaro::test::HangGuard guard(kTestLimitMs);
    ::testing::TestEventListeners& listeners = ::testing::UnitTest::GetInstance()->listeners();
    listeners.Append(&guard);
    const int status = RUN_ALL_TESTS();
    listeners.Release(&guard);
    return status;
}
