#pragma once
// The end-of-work sound: sound16.wav played without waiting. Without Qt Multimedia, without
// the file or without an audio device it stays silent; it never reports anything.

#include <QObject>
#include <memory>

namespace glanmail::ui {

class EndSound : public QObject {
public:
    explicit EndSound(QObject* parent = nullptr);
    ~EndSound() override;

    void Play();
    // True when a sound will be heard: the file was found and an audio output exists.
    bool CanPlay() const;

private:
    struct Player;
    std::unique_ptr<Player> player_;
};

} // namespace glanmail::ui
