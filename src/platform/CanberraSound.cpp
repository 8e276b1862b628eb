#include "platform/CanberraSound.h"

#include <QFileInfo>

#include <canberra.h>
#include <dlfcn.h>

#include <mutex>
#include <thread>

namespace vistrel {

namespace {

// libcanberra and the codecs behind it load with the first sound, not with every start.
struct CanberraLibrary {
    decltype(&ca_context_create) create = nullptr;
    decltype(&ca_context_play) play = nullptr;
    decltype(&ca_context_destroy) destroy = nullptr;

    static const CanberraLibrary* load()
    {
        static const CanberraLibrary library = [] {
            CanberraLibrary loaded;
            void* handle = ::dlopen("libcanberra.so.0", RTLD_NOW | RTLD_LOCAL);
            if (handle == nullptr)
                return loaded;
            loaded.create =
                reinterpret_cast<decltype(create)>(::dlsym(handle, "ca_context_create"));
            loaded.play = reinterpret_cast<decltype(play)>(::dlsym(handle, "ca_context_play"));
            loaded.destroy =
                reinterpret_cast<decltype(destroy)>(::dlsym(handle, "ca_context_destroy"));
            return loaded;
        }();
        return library.create && library.play && library.destroy ? &library : nullptr;
    }
};

} // namespace

// Shared with the worker threads so that it outlives a sound still starting.
struct CanberraSound::State {
    std::mutex mutex;
    ca_context* context = nullptr;
    bool unusable = false;

    ~State()
    {
        if (context != nullptr)
            CanberraLibrary::load()->destroy(context);
    }

    void play(const QByteArray& path)
    {
        const std::lock_guard lock(mutex);
        if (unusable)
            return;
        const CanberraLibrary* const library = CanberraLibrary::load();
        if (library == nullptr || (context == nullptr && library->create(&context) != CA_SUCCESS)) {
            context = nullptr;
            unusable = true;
            return;
        }
        // Errors (no sound server, unreadable file) are deliberately silent.
        library->play(context, 0, CA_PROP_MEDIA_FILENAME, path.constData(),
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

} // namespace vistrel
