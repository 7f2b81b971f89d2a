#include "platform/sound_player.h"

#include <QSoundEffect>
#include <QUrl>

namespace lumora {

namespace {

class QtSoundPlayer final : public SoundPlayer {
public:
    void play(const QString& path) override {
        // Made on first use: opening the audio output at start-up would cost time on every run, and most
        // notification servers play the sound themselves.
        if (!m_effect) m_effect = std::make_unique<QSoundEffect>();
        const QUrl source = QUrl::fromLocalFile(path);
        if (m_effect->source() != source) m_effect->setSource(source);
        // QSoundEffect queues the play until the file has loaded.
        m_effect->play();
    }

private:
    std::unique_ptr<QSoundEffect> m_effect;
};

} // namespace

std::unique_ptr<SoundPlayer> makeSoundPlayer() {
    return std::make_unique<QtSoundPlayer>();
}

} // namespace lumora
