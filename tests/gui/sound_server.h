#pragma once

#include <QElapsedTimer>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <memory>
#include <string>
#include <vector>

#include "tests/support/scratch_dir.h"

namespace sonaro::test {

// The sound servers a desktop plays through: PulseAudio itself, or PipeWire with its PulseAudio
// interface (pipewire-pulse, with the session manager WirePlumber), as current desktops run it.
// Qt Multimedia and the pulse tools reach both the same way.
enum class SoundServerKind { PulseAudio, PipeWire };

// A sound server of the test's own: one null sink named "null" as the default sink, in a private
// runtime directory (PipeWire also on a private session bus), stopped and removed at the end.
class SoundServer {
  public:
    explicit SoundServer(SoundServerKind kind);
    ~SoundServer();
    SoundServer(const SoundServer&) = delete;
    SoundServer& operator=(const SoundServer&) = delete;

    // The programs of that server that are not installed; empty when it can run.
    static QStringList MissingPrograms(SoundServerKind kind);

    // Starts the server; false (with the reason in error()) when it does not come up.
    bool Start();
    const QString& error() const { return error_; }
    SoundServerKind kind() const { return kind_; }
    // The name the server gives for itself ("pulseaudio", "PulseAudio (on PipeWire 0.3.65)").
    QString Name();
    // The environment that reaches this server: for child processes, and for this process.
    QProcessEnvironment Environment() const;
    void UseInThisProcess() const;

  private:
    bool StartPulseAudio();
    bool StartPipeWire();
    void StopPulseAudio();
    // Starts a daemon of the PipeWire stack and waits for the file it makes when it is ready.
    bool StartDaemon(const QString& program, const QStringList& arguments, const QString& ready);
    bool Run(const QString& program, const QStringList& arguments, QString* output);
    bool KeepSinkRunning();

    SoundServerKind kind_;
    ScratchDir runtime_;
    bool started_ = false;
    std::vector<std::unique_ptr<QProcess>> daemons_;  // in the order started
    QProcess keepAlive_;
    QString error_;
};

// Records what the null sink plays, from its monitor, into a WAV file (parec).
class MonitorRecorder {
  public:
    MonitorRecorder(const SoundServer& server, std::string path);
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
    const SoundServer& server_;
    std::string path_;
    QProcess process_;
    QElapsedTimer started_;
};

}  // namespace sonaro::test
