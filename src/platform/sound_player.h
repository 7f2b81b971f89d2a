#pragma once

#include <QString>

#include <memory>

namespace lumora {

/// Plays a sound file inside the process, for notification servers that play none themselves.
class SoundPlayer {
public:
    virtual ~SoundPlayer() = default;
    /// Starts playing and returns at once; a file or device that cannot play stays silent.
    virtual void play(const QString& path) = 0;
};

/// Qt Multimedia's QSoundEffect (WAV files). Lives on the thread that created it, which needs an event loop.
std::unique_ptr<SoundPlayer> makeSoundPlayer();

} // namespace lumora
