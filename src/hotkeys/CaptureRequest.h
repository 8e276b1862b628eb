#pragma once

namespace vistrel {

// A parsed capture parameter string; every field starts at 0 or false.
struct CaptureRequest {
    int CaptureKind = 0; // 1 full screen, 2 active window, 3 window or control, 99 ask, 0 none
    int AfterAction = 0; // 1 to 9, 99 ask, 0 none
    int PointMode = 0;   // kind 3: 0 pick, 1 screen centre, 2 under the cursor
    bool Client = false;
    bool Mouse = false;
    bool Trim = false;
    bool TimerOn = false;
    int TimerSeconds = 0;
    bool StayResident = false; // command line only
};

} // namespace vistrel
