#pragma once

#include <QAudioFormat>
#include <QByteArray>
#include <QImage>
#include <QWidget>

#include <cstdint>
#include <memory>

class QAudioSink;
class QIODevice;
class QLabel;

// The "DV Monitor" window: the picture of the DV stream at 4:3 with counters of late and
// repeated frames, and its sound on the default audio output when there is a sound server.
namespace platform {

class DvMonitorWindow final : public QWidget {
    Q_OBJECT
public:
    explicit DvMonitorWindow(QWidget* parent = nullptr);
    ~DvMonitorWindow() override;

    void showPicture(const QImage& picture);
    void setCounters(std::uint64_t late_frames, std::uint64_t repeated_frames);
    // Plays interleaved 16-bit PCM; what does not fit into the output's buffer is dropped (the
    // picture leads, the sound follows it).
    void playSound(const QByteArray& pcm, int sample_rate_hz, int channels);

    QImage picture() const { return picture_; }
    QString countersText() const;
    bool playsSound() const { return audio_io_ != nullptr; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void openSound(const QAudioFormat& format);

    QImage picture_;
    QLabel* counters_;
    std::unique_ptr<QAudioSink> audio_;
    QIODevice* audio_io_ = nullptr;
    QAudioFormat audio_format_;
};

} // namespace platform
