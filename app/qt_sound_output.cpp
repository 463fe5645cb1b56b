#include "app/qt_sound_output.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QMediaDevices>
#include <QTimer>

#include "app/wave_stream_device.h"
#include "convert/operations/format_record.h"
#include "convert/playback/wave_stream.h"

namespace sonaro {
namespace {

// Time the device is given beyond its buffer to play the last samples.
constexpr int kDrainMarginMs = 100;
// The sound the device may hold ahead, so that a busy machine's pauses leave no gap: PulseAudio
// grants about half of it, 320 ms, where Qt's own choice gives 145 ms. Stop still ends the sound
// at once: the stream is closed, not drained.
constexpr qint64 kBufferUs = 600000;

}  // namespace

QtSoundOutput::QtSoundOutput(CodecManager& codecs) : codecs_(codecs) {}

QtSoundOutput::~QtSoundOutput() {
    Stop();
}

unsigned QtSoundOutput::CountDevices() {
    return static_cast<unsigned>(QMediaDevices::audioOutputs().size());
}

bool QtSoundOutput::Stop() {
    if (sink_ != nullptr) {
        sink_->disconnect();
        sink_->stop();
    }
    sink_.reset();  // the sink goes before the source it reads
    source_.reset();
    return true;
}

// The sound is opened and checked, its format given to the sink, and the sink started at once:
// it decodes the samples as it pulls them.
bool QtSoundOutput::PlayFile(const SoundDescription& sound) {
    Stop();
    std::unique_ptr<WaveStream> stream = WaveStream::Open(sound, kPlayableLimit, codecs_);
    const QAudioDevice device = QMediaDevices::defaultAudioOutput();
    if (stream == nullptr || device.isNull()) {
        return false;
    }
    QAudioFormat format;
    format.setSampleRate(static_cast<int>(stream->samplesPerSec()));
    format.setChannelCount(stream->channels());
    format.setSampleFormat(QAudioFormat::Int16);
    if (!device.isFormatSupported(format)) {
        return false;
    }
    source_ = std::make_unique<WaveStreamDevice>(std::move(stream));
    source_->open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    sink_ = std::make_unique<QAudioSink>(device, format);
    sink_->setBufferSize(format.bytesForDuration(kBufferUs));
    QObject::connect(sink_.get(), &QAudioSink::stateChanged, sink_.get(),
                     [this] { OnStateChanged(); });
    sink_->start(source_.get());
    if (sink_->error() != QAudio::NoError || sink_->state() == QAudio::StoppedState) {
        Stop();
        return false;
    }
    return true;
}

// A sound played to its end releases the device. The sink turns idle once it has handed the last
// samples on, while the device still holds up to a buffer of them: those are let play out first.
void QtSoundOutput::OnStateChanged() {
    if (sink_ == nullptr || sink_->state() != QAudio::IdleState || source_ == nullptr ||
        !source_->atEnd()) {
        return;
    }
    const qint64 buffered = sink_->format().durationForBytes(sink_->bufferSize()) / 1000;
    QAudioSink* sink = sink_.get();
    QTimer::singleShot(static_cast<int>(buffered) + kDrainMarginMs, sink, [sink] { sink->stop(); });
}

bool QtSoundOutput::IsPlaying() const {
    return sink_ != nullptr && sink_->state() != QAudio::StoppedState;
}

}  // namespace sonaro
