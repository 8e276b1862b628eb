#pragma once

#include "hotkeys/CaptureRequest.h"
#include "settings/Settings.h"

#include <optional>

namespace vistrel {

// Applies a request's continuous-save override and remembers what each field held
// before, so that the override can be taken back later. Only the fields the override
// changed come back, and only those that still hold the override's values: a change
// made meanwhile (the save-settings dialog, a hotkey's own override) is kept.
class AutoSaveRestore {
public:
    using Section = decltype(Settings::AUTOSAVE);

    // Applies the fields to the settings. A field overridden twice comes back to what it
    // held before the first override.
    void apply(const AutoSaveOverride& fields, Settings& settings);
    // Puts the overridden fields that still hold the override's values back into a section.
    void restoreInto(Section& section) const;
    bool empty() const;

private:
    template <typename T>
    struct Replaced {
        T before;
        T after;
    };

    std::optional<Replaced<bool>> m_overwrite;
    std::optional<Replaced<QString>> m_dir;
    std::optional<Replaced<int>> m_saveType;
    std::optional<Replaced<QString>> m_file;
    std::optional<Replaced<QString>> m_fileAfter;
};

} // namespace vistrel
