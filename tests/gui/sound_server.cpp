#include "tests/gui/sound_server.h"

#include <signal.h>

#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
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

PulseServer::PulseServer() = default;

// The daemon is waited for after it was told to quit: it writes into its runtime directory up to
// its end, and would leave that directory behind.
PulseServer::~PulseServer() {
    if (keepAlive_.state() != QProcess::NotRunning) {
        keepAlive_.kill();
        keepAlive_.waitForFinished(kProcessTimeoutMs);
    }
    if (started_) {
        QFile pidFile(QString::fromStdString(runtime_.File("pulse/pid")));
        const qint64 pid =
            pidFile.open(QIODevice::ReadOnly) ? pidFile.readAll().trimmed().toLongLong() : 0;
        RunPulseAudio({QStringLiteral("-k")}, nullptr);
        if (pid > 0 && !QTest::qWaitFor([pid] { return !Running(pid); }, kProcessTimeoutMs)) {
            std::fprintf(stderr, "the sound server %lld did not end\n", pid);
        }
    }
}

QProcessEnvironment PulseServer::Environment() const {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), QString::fromStdString(runtime_.path()));
    environment.remove(QStringLiteral("PULSE_SERVER"));
    return environment;
}

void PulseServer::UseInThisProcess() const {
    setenv("XDG_RUNTIME_DIR", runtime_.path().c_str(), 1);
    unsetenv("PULSE_SERVER");
}

bool PulseServer::RunPulseAudio(const QStringList& arguments, QString* output) {
    QProcess process;
    process.setProcessEnvironment(Environment());
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(QStringLiteral("pulseaudio"), arguments);
    if (!process.waitForStarted(kProcessTimeoutMs) || !process.waitForFinished(kProcessTimeoutMs)) {
        error_ = QStringLiteral("pulseaudio did not run: ") + process.errorString();
        return false;
    }
    if (output != nullptr) {
        *output = QString::fromLocal8Bit(process.readAll());
    }
    return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

bool PulseServer::Start() {
    const QString script = QString::fromStdString(runtime_.File("server.pa"));
    QFile file(script);
    if (!file.open(QIODevice::WriteOnly) || file.write(kScript) < 0) {
        error_ = QStringLiteral("cannot write ") + script;
        return false;
    }
    file.close();
    QString output;
    started_ =
        RunPulseAudio({QStringLiteral("--daemonize=yes"), QStringLiteral("--exit-idle-time=-1"),
                       QStringLiteral("-n"), QStringLiteral("-F"), script},
                      &output);
    if (!started_) {
        error_ += output;
        return false;
    }
    // The daemon answers once its socket is there.
    const QString socket = QString::fromStdString(runtime_.File("pulse/native"));
    if (!QTest::qWaitFor([&] { return QFileInfo::exists(socket); }, kProcessTimeoutMs)) {
        error_ = QStringLiteral("no server socket at ") + socket;
        return false;
    }
    return KeepSinkRunning();
}

// An idle null sink renders seconds of silence ahead, and a sound started then is heard only
// after it (or never, if stopped before). A silent stream of low latency keeps the sink running
// in step with the clock; the sink has caught up when its latency is down to milliseconds.
bool PulseServer::KeepSinkRunning() {
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
    const QRegularExpression latency(QStringLiteral("\\n\\s*Latency: (\\d+) usec"));
    const bool caughtUp = QTest::qWaitFor(
        [&] {
            QProcess pactl;
            pactl.setProcessEnvironment(Environment());
            pactl.start(QStringLiteral("pactl"), {QStringLiteral("list"), QStringLiteral("sinks")});
            pactl.waitForFinished(kProcessTimeoutMs);
            const auto match = latency.match(QString::fromLocal8Bit(pactl.readAllStandardOutput()));
            return match.hasMatch() && match.captured(1).toLongLong() < kRunningLatencyUs;
        },
        kProcessTimeoutMs);
    if (!caughtUp) {
        error_ = QStringLiteral("the null sink did not come down to a short latency");
    }
    return caughtUp;
}

MonitorRecorder::MonitorRecorder(const PulseServer& server, std::string path)
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

}  // namespace sonaro::test
