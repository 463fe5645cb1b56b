#pragma once

#include <QElapsedTimer>
#include <QProcess>
#include <QString>
#include <memory>
#include <string>

#include "tests/support/scratch_dir.h"

namespace sonaro::test {

// A PulseAudio daemon of the test's own: one null sink named "null" as the default sink, in a
// private runtime directory, stopped and removed at the end.
class PulseServer {
  public:
    PulseServer();
    ~PulseServer();
    PulseServer(const PulseServer&) = delete;
    PulseServer& operator=(const PulseServer&) = delete;

    // Starts the daemon; false (with the reason in error()) when it does not come up.
    bool Start();
    const QString& error() const { return error_; }
    // The environment that reaches this server: for child processes, and for this process.
    QProcessEnvironment Environment() const;
    void UseInThisProcess() const;

  private:
    bool RunPulseAudio(const QStringList& arguments, QString* output);
    bool KeepSinkRunning();

    ScratchDir runtime_;
    bool started_ = false;
    QProcess keepAlive_;
    QString error_;
};

// Records what the null sink plays, from its monitor, into a WAV file (parec).
class MonitorRecorder {
  public:
    MonitorRecorder(const PulseServer& server, std::string path);
    ~MonitorRecorder();
    MonitorRecorder(const MonitorRecorder&) = delete;
    MonitorRecorder& operator=(const MonitorRecorder&) = delete;

    // Starts recording and waits until the recorder has its file open.
    bool Start();
    // Ends the recording; the file's header is complete only after this.
    bool Finish();
    // The seconds of sound in the file so far: where in the recording a sound played now begins,
    // give or take the recorder's latency (it lags, so a delay measured from it is not too short).
    double SecondsRecorded() const;
    const std::string& path() const { return path_; }

  private:
    const PulseServer& server_;
    std::string path_;
    QProcess process_;
    QElapsedTimer started_;
};

}  // namespace sonaro::test
