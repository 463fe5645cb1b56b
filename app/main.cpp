// sonaro: the desktop application.
#include <QApplication>
#include <iostream>

#include "app/sonaro_app.h"
#include "convert/files/temp_directory.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    sonaro::CSonaroApp::SetProfileNames();
    QApplication::setApplicationVersion(QStringLiteral(SONARO_VERSION));
    const QStringList arguments = QApplication::arguments().mid(1);
    if (!arguments.isEmpty() && arguments.constFirst() == QStringLiteral("--help")) {
        std::cout
            << "Usage: sonaro [FILE]\n"
               "Opens FILE, a WAV file, for conversion to the Tavrin Palmet's A-law format.\n";
        return 0;
    }
    if (!arguments.isEmpty() && arguments.constFirst() == QStringLiteral("--version")) {
        std::cout << "sonaro " SONARO_VERSION "\n";
        return 0;
    }
    // Intermediate files of runs that were killed are removed before this run makes its own.
    sonaro::TempDirectory::RemoveStale();
    sonaro::CSonaroApp app;
    if (!app.InitInstance(arguments)) {
        return 1;
    }
    return QApplication::exec();
}
