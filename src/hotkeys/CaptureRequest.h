#pragma once

#include <QRect>
#include <QString>

#include <optional>

namespace vistrel {

// The continuous-save fields of an "/A5;dir;type;file;after" token. Absent
// fields leave the running settings alone.
struct AutoSaveOverride {
    std::optional<QString> Dir;
    std::optional<int> SaveType;
    std::optional<QString> File;
    std::optional<QString> FileAfter;

    bool operator==(const AutoSaveOverride&) const = default;
};

// A parsed capture parameter string; every field starts at 0 or false.
struct CaptureRequest {
    // 1 full screen, 2 active window, 3 window or control, 4 region, 99 ask, 0 none
    int CaptureKind = 0;
    int AfterAction = 0; // 1 to 9, 99 ask, 0 none
    int PointMode = 0;   // kind 3: 0 pick, 1 screen centre, 2 under the cursor
    bool Client = false;
    bool Mouse = false;
    bool Trim = false;
    bool TimerOn = false;
    int TimerSeconds = 0;
    bool StayResident = false; // command line only
    // Kind 4: the rectangle to take without asking (/C4;X;Y;W;H), or the last one (/C4;last).
    std::optional<QRect> Region;
    bool LastRegion = false;
    // Set by an /A5 token; applied to the settings only when the request is carried out.
    std::optional<AutoSaveOverride> AutoSave;

    bool operator==(const CaptureRequest&) const = default;
};

} // namespace vistrel
