// The batch window's run against sonaro-convert --jobs on the same files, alternately, RUNS times
// each: the window (offscreen) is timed from Convert to the end of its run, as a user waits for
// it; sonaro-convert as a whole process, with as many jobs as the window takes conversions at
// once. Prints one row of a Markdown table: the median of each in seconds and their ratio.
//
//   sonaro-bench-batch-window RUNS SONARO_CONVERT FILE...
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "convert/batch/batch_runner.h"
#include "convert/codecs/no_codec_manager.h"
#include "convert/files/heap_policy.h"
#include "ui/batch_window.h"

namespace {

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    return values.size() % 2 != 0 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

// A fresh, empty folder for the results of one run.
QString FreshFolder(const QTemporaryDir& work, const char* name) {
    QDir folder(work.filePath(QString::fromLatin1(name)));
    folder.removeRecursively();
    QDir().mkpath(folder.path());
    return folder.path();
}

// The seconds sonaro-convert takes for the files; negative when it failed.
double TimeCommandLine(const QString& program, const QStringList& files, unsigned jobs,
                       const QString& folder) {
    QStringList arguments = {QStringLiteral("--quiet"), QStringLiteral("--jobs"),
                             QString::number(jobs)};
    arguments << files << QStringLiteral("--output-dir") << folder;
    QElapsedTimer clock;
    clock.start();
    QProcess process;
    process.start(program, arguments);
    const bool ended = process.waitForFinished(-1);
    const double seconds = static_cast<double>(clock.nsecsElapsed()) / 1e9;
    return ended && process.exitCode() == 0 ? seconds : -1.0;
}

// The seconds the window's run takes for its list; negative when a file did not convert.
double TimeWindow(sonaro::CBatchWindow& window, int files, const QString& folder) {
    window.outputFolderEdit()->setText(folder);
    QSignalSpy ended(&window, &sonaro::CBatchWindow::runEnded);
    QElapsedTimer clock;
    clock.start();
    window.StartRun();
    ended.wait(600000);
    const double seconds = static_cast<double>(clock.nsecsElapsed()) / 1e9;
    return window.summaryLabel()->text() == QStringLiteral("%1 converted").arg(files) ? seconds
                                                                                      : -1.0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: sonaro-bench-batch-window RUNS SONARO_CONVERT FILE...\n");
        return 2;
    }
    if (std::getenv("QT_QPA_PLATFORM") == nullptr) {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    }
    // The window keeps its choices in a profile of its own here, not the user's; Qt its runtime
    // files there too, when the session has no runtime directory.
    const QTemporaryDir work;
    if (std::getenv("XDG_RUNTIME_DIR") == nullptr) {
        setenv("XDG_RUNTIME_DIR", work.path().toLocal8Bit().constData(), 1);
    }
    sonaro::KeepFreedMemoryForReuse();  // as the desktop program does at its start
    QApplication application(argc, argv);
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, work.path());
    const int runs = std::max(1, std::atoi(argv[1]));
    const QString program = QString::fromLocal8Bit(argv[2]);
    QStringList files;
    for (int i = 3; i < argc; ++i) {
        files.append(QString::fromLocal8Bit(argv[i]));
    }
    sonaro::NoCodecManager codecs;
    sonaro::CBatchWindow window(codecs, nullptr, {[] { return 10; }, {}, {}, {}, {}});
    window.show();
    const unsigned jobs =
        sonaro::BatchRunner::WorkersFor(static_cast<std::size_t>(files.size()), 0);
    std::vector<double> commandLine;
    std::vector<double> batchWindow;
    for (int run = 0; run < runs; ++run) {
        commandLine.push_back(TimeCommandLine(program, files, jobs, FreshFolder(work, "cli")));
        window.AddPaths(files);  // the converted files left the list at the end of the last run
        batchWindow.push_back(
            TimeWindow(window, static_cast<int>(files.size()), FreshFolder(work, "window")));
        if (commandLine.back() < 0 || batchWindow.back() < 0) {
            std::fprintf(stderr, "a run failed\n");
            return 1;
        }
    }
    const double ratio = Median(batchWindow) / Median(commandLine);
    std::printf("| %lld files | %u | %.3f | %.3f | %s%.2f%s |\n",
                static_cast<long long>(files.size()), jobs, Median(commandLine),
                Median(batchWindow), ratio > 1.1 ? "**" : "", ratio, ratio > 1.1 ? "**" : "");
    return 0;
}
