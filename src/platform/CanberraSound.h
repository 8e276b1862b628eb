#pragma once

#include <QString>

#include <memory>

namespace vistrel {

// Plays sound files through libcanberra on a worker thread, so that neither
// connecting to the sound server nor a missing server ever holds up a capture.
class CanberraSound {
public:
    CanberraSound();
    ~CanberraSound();

    // A file that does not exist plays nothing and reports nothing.
    void play(const QString& file);

private:
    struct State;
    std::shared_ptr<State> m_state;
};

} // namespace vistrel
