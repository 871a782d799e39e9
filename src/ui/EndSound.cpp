#include "EndSound.h"

#include "shell/DataFiles.h"

#include <QUrl>

#ifdef GLANMAIL_HAVE_MULTIMEDIA
#include <QAudioDevice>
#include <QMediaDevices>
#include <QSoundEffect>
#endif

namespace glanmail::ui {

#ifdef GLANMAIL_HAVE_MULTIMEDIA
struct EndSound::Player {
    QSoundEffect effect;
    bool found = false;
};

EndSound::EndSound(QObject* parent) : QObject(parent), player_(std::make_unique<Player>()) {
    const std::string path = FindDataFile(kEndSoundFileName);
    player_->found = !path.empty();
    if (player_->found) {
        player_->effect.setSource(QUrl::fromLocalFile(QString::fromStdString(path)));
    }
}

bool EndSound::CanPlay() const {
    return player_->found && !QMediaDevices::audioOutputs().isEmpty();
}

void EndSound::Play() {
    if (CanPlay()) {
        player_->effect.play();
    }
}
#else
struct EndSound::Player {};

EndSound::EndSound(QObject* parent) : QObject(parent) {}

bool EndSound::CanPlay() const {
    return false;
}

void EndSound::Play() {}
#endif

EndSound::~EndSound() = default;

} // namespace glanmail::ui
