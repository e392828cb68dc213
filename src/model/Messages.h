// Numbers of the custom window messages between the core, the window, the pages and the controls.
#pragma once

namespace kel {

enum Message : int {
    MSG_GRAPH_BAND_EDITED = 1124,
    MSG_TRANSPORT_FAILED = 1138,
    MSG_CONNECT = 1139,
    MSG_SYSTEM_RECEIVED = 1140,
    MSG_PROGRAM_RECEIVED = 1141,
    MSG_ALL_PRESETS_RECEIVED = 1144,
    MSG_LEVELS_RECEIVED = 1146,
    MSG_IDENTIFY_REPLY = 1147,
    MSG_STRIP_BAND_EDITED = 1175,
    MSG_SLIDER_MOVING = 10449,
    MSG_SLIDER_MOVED = 10450,
    MSG_NUMEDIT_CHANGED = 10524,
};

} // namespace kel
