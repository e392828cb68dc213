// The process-wide model object and its small helpers.
#include "model/Model.h"

#include "model/FilterSeam.h"

#include <cassert>

namespace kel {

namespace {
FilterSeam* g_filterSeam = nullptr;
}

Model& TheModel() {
    static Model model;
    return model;
}

void SetFilterSeam(FilterSeam* seam) { g_filterSeam = seam; }
FilterSeam* GetFilterSeam() { return g_filterSeam; }

void ModeSelector::Set(int m) {
    if (m == 0) {
        *m_byte = 0;
    } else if (m >= 1 && m <= 3) {
        *m_byte = static_cast<std::uint8_t>(m);
        m_remembered = m;
    }
}

FrameRecord& FrameRecords::Rx(int transport) {
    switch (transport) {
    case TRANSPORT_SERIAL:
        return serialRx;
    case TRANSPORT_USB:
        return usbRx;
    case TRANSPORT_NET:
        return netRx;
    }
    assert(false && "no records for this transport");
    return serialRx;
}

FrameRecord& FrameRecords::Tx(int transport) {
    switch (transport) {
    case TRANSPORT_SERIAL:
        return serialTx;
    case TRANSPORT_USB:
        return usbTx;
    case TRANSPORT_NET:
        return netTx;
    }
    assert(false && "no records for this transport");
    return serialTx;
}

void FrameRecords::ResetAll() {
    for (FrameRecord* r : {&serialRx, &serialTx, &usbRx, &usbTx, &netRx, &netTx}) {
        InitFrameRecord(*r);
    }
}

} // namespace kel

#if defined(__SANITIZE_THREAD__)
// The thread sanitizer's build: Qt's libraries are not built with it, so the races it reports between
// two accesses inside them (its painting thread pool, its event queue) are not races it can see whole.
// Every program links this file, so each gets these suppressions; races in our own code still show.
extern "C" const char* __tsan_default_suppressions() {
    return "race:libQt6Core.so\n"
           "race:libQt6Gui.so\n"
           "race:libQt6Widgets.so\n"
           "race:libQt6Test.so\n";
}
#endif
