// sonaro: the desktop application.
#include <QApplication>
#include <cstring>
#include <iostream>

#include "app/sonaro_app.h"
#include "convert/files/heap_policy.h"
#include "convert/files/temp_directory.h"
#include "resources/version.h"

namespace {

constexpr char kUsage[] =
    "Usage: sonaro [FILE...]\n"
    "Opens FILE, a WAV file, for conversion to the Tavrin Palmet's A-law format.\n"
    "Several files or folders open the window that converts many files at once.\n"
    "\n"
    "  --help       show this text\n"
    "  --version    show the version\n";

}  // namespace

int main(int argc, char** argv) {
    // Answered before Qt starts, so that they work with no display (scripts, ssh, packaging).
    if (argc > 1 && std::strcmp(argv[1], "--help") == 0) {
        std::cout << kUsage;
        return 0;
    }
    if (argc > 1 && std::strcmp(argv[1], "--version") == 0) {
        std::cout << sonaro::VersionText("sonaro");
        return 0;
    }
    sonaro::KeepFreedMemoryForReuse();  // the batch window's conversions allocate much in turn
    QApplication application(argc, argv);
    sonaro::CSonaroApp::SetProfileNames();
    QApplication::setApplicationVersion(QString::fromLatin1(sonaro::Version()));
    // Intermediate files of runs that were killed are removed before this run makes its own.
    sonaro::TempDirectory::RemoveStale();
    sonaro::CSonaroApp app;
    if (!app.InitInstance(QApplication::arguments().mid(1))) {
        return 1;
    }
    return QApplication::exec();
}
