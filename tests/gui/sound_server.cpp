#include "tests/gui/sound_server.h"

#include <signal.h>

#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTest>
#include <cstdio>
#include <cstdlib>

namespace sonaro::test {
namespace {

constexpr int kProcessTimeoutMs = 10000;
// What the null sink's monitor delivers: 16-bit stereo at 44100 Hz, after a 44-byte header.
constexpr qint64 kBytesPerSecond = 44100 * 4;
constexpr qint64 kHeaderBytes = 44;
// A sink in step with the clock is this close behind it.
constexpr qint64 kRunningLatencyUs = 100000;

// The daemon's own start-up script: the native protocol and one null sink as the default.
constexpr char kScript[] =
    "load-module module-native-protocol-unix\n"
    "load-module module-null-sink sink_name=null\n"
    "set-default-sink null\n";

// Whether a process runs (a zombie no longer does).
bool Running(qint64 pid) {
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly)) {
        return false;
    }
    const QByteArray fields = stat.readAll();
    const qsizetype state = fields.lastIndexOf(')') + 2;
    return state < fields.size() && fields[state] != 'Z';
}

}  // namespace

SoundServer::SoundServer(SoundServerKind kind) : kind_(kind) {}

// Each daemon is waited for after it was told to quit: they write into the runtime directory up
// to their end, and would leave that directory behind.
SoundServer::~SoundServer() {
    if (keepAlive_.state() != QProcess::NotRunning) {
        keepAlive_.kill();
        keepAlive_.waitForFinished(kProcessTimeoutMs);
    }
    if (started_ && kind_ == SoundServerKind::PulseAudio) {
        StopPulseAudio();
    }
    for (auto daemon = daemons_.rbegin(); daemon != daemons_.rend(); ++daemon) {
        (*daemon)->terminate();
        if (!(*daemon)->waitForFinished(kProcessTimeoutMs)) {
            std::fprintf(stderr, "%s did not end\n", qPrintable((*daemon)->program()));
            (*daemon)->kill();
            (*daemon)->waitForFinished(kProcessTimeoutMs);
        }
    }
}

QStringList SoundServer::MissingPrograms(SoundServerKind kind) {
    QStringList programs = {QStringLiteral("pactl"), QStringLiteral("pacat"),
                            QStringLiteral("parec")};
    if (kind == SoundServerKind::PulseAudio) {
        programs.append(QStringLiteral("pulseaudio"));
    } else {
        programs.append({QStringLiteral("dbus-daemon"), QStringLiteral("pipewire"),
                         QStringLiteral("wireplumber"), QStringLiteral("pipewire-pulse")});
    }
    QStringList missing;
    for (const QString& program : programs) {
        if (QStandardPaths::findExecutable(program).isEmpty()) {
            missing.append(program);
        }
    }
    return missing;
}

QProcessEnvironment SoundServer::Environment() const {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    const QString runtime = QString::fromStdString(runtime_.path());
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime);
    environment.remove(QStringLiteral("PULSE_SERVER"));
    if (kind_ == SoundServerKind::PipeWire) {
        // WirePlumber needs a session bus, and keeps its state under these directories.
        environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"),
                           QStringLiteral("unix:path=") + runtime + QStringLiteral("/bus"));
        environment.insert(QStringLiteral("XDG_STATE_HOME"), runtime + QStringLiteral("/state"));
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), runtime + QStringLiteral("/config"));
    }
    return environment;
}

void SoundServer::UseInThisProcess() const {
    setenv("XDG_RUNTIME_DIR", runtime_.path().c_str(), 1);
    unsetenv("PULSE_SERVER");
}

bool SoundServer::Run(const QString& program, const QStringList& arguments, QString* output) {
    QProcess process;
    process.setProcessEnvironment(Environment());
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    if (!process.waitForStarted(kProcessTimeoutMs) || !process.waitForFinished(kProcessTimeoutMs)) {
        error_ = program + QStringLiteral(" did not run: ") + process.errorString();
        return false;
    }
    const QString printed = QString::fromLocal8Bit(process.readAll());
    if (output != nullptr) {
        *output = printed;
    }
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        error_ = program + ' ' + arguments.join(' ') + QStringLiteral(" failed: ") + printed;
        return false;
    }
    return true;
}

QString SoundServer::Name() {
    QString info;
    Run(QStringLiteral("pactl"), {QStringLiteral("info")}, &info);
    const auto match = QRegularExpression(QStringLiteral("Server Name: ([^\\n]*)")).match(info);
    return match.captured(1);
}

bool SoundServer::Start() {
    const bool up = kind_ == SoundServerKind::PulseAudio ? StartPulseAudio() : StartPipeWire();
    // The daemon answers once its socket is there.
    const QString socket = QString::fromStdString(runtime_.File("pulse/native"));
    if (up && !QTest::qWaitFor([&] { return QFileInfo::exists(socket); }, kProcessTimeoutMs)) {
        error_ = QStringLiteral("no server socket at ") + socket;
        return false;
    }
    return up && KeepSinkRunning();
}

bool SoundServer::StartPulseAudio() {
    const QString script = QString::fromStdString(runtime_.File("server.pa"));
    QFile file(script);
    if (!file.open(QIODevice::WriteOnly) || file.write(kScript) < 0) {
        error_ = QStringLiteral("cannot write ") + script;
        return false;
    }
    file.close();
    started_ = Run(QStringLiteral("pulseaudio"),
                   {QStringLiteral("--daemonize=yes"), QStringLiteral("--exit-idle-time=-1"),
                    QStringLiteral("-n"), QStringLiteral("-F"), script},
                   nullptr);
    return started_;
}

void SoundServer::StopPulseAudio() {
    QFile pidFile(QString::fromStdString(runtime_.File("pulse/pid")));
    const qint64 pid =
        pidFile.open(QIODevice::ReadOnly) ? pidFile.readAll().trimmed().toLongLong() : 0;
    Run(QStringLiteral("pulseaudio"), {QStringLiteral("-k")}, nullptr);
    if (pid > 0 && !QTest::qWaitFor([pid] { return !Running(pid); }, kProcessTimeoutMs)) {
        std::fprintf(stderr, "the sound server %lld did not end\n", pid);
    }
}

bool SoundServer::StartDaemon(const QString& program, const QStringList& arguments,
                              const QString& ready) {
    auto& daemon = daemons_.emplace_back(std::make_unique<QProcess>());
    daemon->setProcessEnvironment(Environment());
    daemon->setProcessChannelMode(QProcess::MergedChannels);
    daemon->setStandardOutputFile(QString::fromStdString(runtime_.File(program.toStdString())));
    daemon->start(program, arguments);
    const QString path = QString::fromStdString(runtime_.File(ready.toStdString()));
    if (!daemon->waitForStarted(kProcessTimeoutMs) ||
        !QTest::qWaitFor(
            [&] { return QFileInfo::exists(path) || daemon->state() == QProcess::NotRunning; },
            kProcessTimeoutMs) ||
        daemon->state() == QProcess::NotRunning) {
        error_ = program + QStringLiteral(" did not start");
        return false;
    }
    return true;
}

// The graph (pipewire), its session manager, which links streams to sinks (WirePlumber, on the
// session bus), and the PulseAudio interface; then the null sink made the default.
bool SoundServer::StartPipeWire() {
    const bool up =
        StartDaemon(
            QStringLiteral("dbus-daemon"),
            {QStringLiteral("--session"), QStringLiteral("--nofork"), QStringLiteral("--nopidfile"),
             QStringLiteral("--address=unix:path=") + QString::fromStdString(runtime_.File("bus"))},
            QStringLiteral("bus")) &&
        StartDaemon(QStringLiteral("pipewire"), {}, QStringLiteral("pipewire-0")) &&
        StartDaemon(QStringLiteral("wireplumber"), {}, QStringLiteral("pipewire-0")) &&
        StartDaemon(QStringLiteral("pipewire-pulse"), {}, QStringLiteral("pulse/native"));
    return up &&
           Run(QStringLiteral("pactl"),
               {QStringLiteral("load-module"), QStringLiteral("module-null-sink"),
                QStringLiteral("sink_name=null")},
               nullptr) &&
           QTest::qWaitFor(
               [&] {
                   return Run(QStringLiteral("pactl"),
                              {QStringLiteral("set-default-sink"), QStringLiteral("null")},
                              nullptr);
               },
               kProcessTimeoutMs);
}

// An idle null sink renders seconds of silence ahead (PulseAudio) or sleeps (PipeWire), and a
// sound started then is heard only late (or never, if stopped before). A silent stream of low
// latency keeps the sink running in step with the clock; the sink has caught up when it runs
// and its latency is down to milliseconds.
bool SoundServer::KeepSinkRunning() {
    keepAlive_.setProcessEnvironment(Environment());
    keepAlive_.setStandardInputFile(QStringLiteral("/dev/zero"));
    keepAlive_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    keepAlive_.start(QStringLiteral("pacat"),
                     {QStringLiteral("--playback"), QStringLiteral("-d"), QStringLiteral("null"),
                      QStringLiteral("--latency-msec=20"), QStringLiteral("--raw"),
                      QStringLiteral("--format=s16le"), QStringLiteral("--rate=44100"),
                      QStringLiteral("--channels=2")});
    if (!keepAlive_.waitForStarted(kProcessTimeoutMs)) {
        error_ = QStringLiteral("pacat did not start");
        return false;
    }
    const QRegularExpression running(
        QStringLiteral("\\n\\s*State: RUNNING\\n(.*\\n)*?\\s*Latency: (\\d+) usec"));
    const bool caughtUp = QTest::qWaitFor(
        [&] {
            QString sinks;
            Run(QStringLiteral("pactl"), {QStringLiteral("list"), QStringLiteral("sinks")}, &sinks);
            const auto match = running.match(sinks);
            return match.hasMatch() && match.captured(2).toLongLong() < kRunningLatencyUs;
        },
        kProcessTimeoutMs);
    if (!caughtUp) {
        error_ = QStringLiteral("the null sink did not come to run at a short latency");
    }
    return caughtUp;
}

MonitorRecorder::MonitorRecorder(const SoundServer& server, std::string path)
    : server_(server), path_(std::move(path)) {}

MonitorRecorder::~MonitorRecorder() {
    if (process_.state() != QProcess::NotRunning) {
        process_.kill();
        process_.waitForFinished(kProcessTimeoutMs);
    }
}

bool MonitorRecorder::Start() {
    process_.setProcessEnvironment(server_.Environment());
    process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    // A short latency, so that what is played reaches the file without a long tail held back.
    process_.start(
        QStringLiteral("parec"),
        {QStringLiteral("-d"), QStringLiteral("null.monitor"), QStringLiteral("--latency-msec=20"),
         QStringLiteral("--file-format=wav"), QString::fromStdString(path_)});
    if (!process_.waitForStarted(kProcessTimeoutMs)) {
        return false;
    }
    const QString file = QString::fromStdString(path_);
    const bool open = QTest::qWaitFor(
        [&] { return QFileInfo(file).size() > 0 || process_.state() == QProcess::NotRunning; },
        kProcessTimeoutMs);
    QTest::qWait(200);  // connected to the server by now
    started_.start();
    return open && process_.state() == QProcess::Running;
}

// What was played is given time to reach the file before the recording ends.
bool MonitorRecorder::Finish() {
    const QString file = QString::fromStdString(path_);
    const qint64 wanted = started_.elapsed() * kBytesPerSecond / 1000;
    const bool caughtUp = QTest::qWaitFor(
        [&] { return QFileInfo(file).size() - kHeaderBytes >= wanted; }, kProcessTimeoutMs);
    // parec completes the file's header when interrupted.
    ::kill(static_cast<pid_t>(process_.processId()), SIGINT);
    return process_.waitForFinished(kProcessTimeoutMs) &&
           process_.exitStatus() == QProcess::NormalExit && caughtUp;
}

double MonitorRecorder::SecondsRecorded() const {
    const qint64 bytes = QFileInfo(QString::fromStdString(path_)).size() - kHeaderBytes;
    return static_cast<double>(std::max<qint64>(bytes, 0)) / kBytesPerSecond;
}

}  // namespace sonaro::test
