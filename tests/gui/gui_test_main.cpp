// The GUI tests run on Qt's offscreen platform with a profile of their own.
#include <gtest/gtest.h>

#include <QApplication>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "app/sonaro_app.h"

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    // QSettings writes below XDG_CONFIG_HOME: keep the user's own profile out of reach.
    std::string profile = (std::filesystem::temp_directory_path() / "sonaro-gui-XXXXXX").string();
    if (::mkdtemp(profile.data()) == nullptr) {
        return 2;
    }
    qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(profile));
    int result = 0;
    {
        QApplication application(argc, argv);
        sonaro::CSonaroApp::SetProfileNames();
        ::testing::InitGoogleTest(&argc, argv);
        result = RUN_ALL_TESTS();
    }
    std::error_code ignored;
    std::filesystem::remove_all(profile, ignored);
    return result;
}
