#include "platform/x11/CanberraSound.h"

#include <QFileInfo>

#include <canberra.h>

#include <mutex>
#include <thread>

namespace vistrel::x11 {

// Shared with the worker threads so that it outlives a sound still starting.
struct CanberraSound::State {
    std::mutex mutex;
    ca_context* context = nullptr;
    bool unusable = false;

    ~State()
    {
        if (context != nullptr)
            ca_context_destroy(context);
    }

    void play(const QByteArray& path)
    {
        const std::lock_guard lock(mutex);
        if (unusable)
            return;
        if (context == nullptr && ca_context_create(&context) != CA_SUCCESS) {
            context = nullptr;
            unusable = true;
            return;
        }
        // Errors (no sound server, unreadable file) are deliberately silent.
        ca_context_play(context, 0, CA_PROP_MEDIA_FILENAME, path.constData(),
                        CA_PROP_CANBERRA_CACHE_CONTROL, "never", nullptr);
    }
};

CanberraSound::CanberraSound() : m_state(std::make_shared<State>()) {}

CanberraSound::~CanberraSound() = default;

void CanberraSound::play(const QString& file)
{
    const QFileInfo info(file);
    if (file.isEmpty() || !info.isFile())
        return;
    std::thread([state = m_state, path = info.absoluteFilePath().toLocal8Bit()] {
        state->play(path);
    }).detach();
}

} // namespace vistrel::x11
