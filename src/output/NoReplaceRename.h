#pragma once

#include <QString>

namespace vistrel {

// Moves a finished file onto its final name in the same folder without ever replacing a file
// that holds that name, even one created a moment earlier by another program.
class NoReplaceRename {
public:
    enum class Result { Moved, TargetExists };

    // Throws std::runtime_error "<to> に書き込めません" with the system's reason on other errors.
    static Result move(const QString& from, const QString& to);
};

} // namespace vistrel
