// The process-wide state of one test: a fresh model, an empty transmit queue, the hooks, the active
// transport and the timing scale the test asks for; the destructor puts the process back as at start.
#pragma once

#include "model/AppHooks.h"
#include "model/Model.h"
#include "model/Sections.h"
#include "model/Timing.h"
#include "protocol/Protocol.h"

namespace kel::test {

// Timing scale of tests that do not measure timing: a tenth of the real pauses, with room for a busy
// machine.
inline constexpr double kQuickTiming = 0.1;

struct ProcessSetup {
    double timingScale = 1.0;
    AppHooks* hooks = nullptr;                // nullptr: the silent NullHooks
    TransportType transport = TRANSPORT_NONE; // the active transport the parser is fed for
    bool connected = false;
    bool shadowInStep = false; // CommitShadow(true), as when a connection opens: only polls to send
    bool resetModel = true;
};

class ProcessState {
  public:
    explicit ProcessState(const ProcessSetup& setup = {}) {
        timing::SetScale(setup.timingScale);
        SetAppHooks(setup.hooks);
        ImageLockGuard lock(ImageLock());
        Model& m = TheModel();
        if (setup.resetModel) {
            ResetModel();
        }
        if (setup.shadowInStep) {
            CommitShadow(true);
        }
        m.settings.transportType = setup.transport;
        m.connection.connected = setup.connected ? 1 : 0;
        TheProtocol().Queue().Clear();
    }
    ~ProcessState() {
        {
            ImageLockGuard lock(ImageLock());
            TheProtocol().Queue().Clear(); // resets the active transport's records too
            Model& m = TheModel();
            m.connection = ConnectionState{};
            m.settings.transportType = TRANSPORT_NONE;
        }
        SetAppHooks(nullptr);
        timing::SetScale(1.0);
    }
    ProcessState(const ProcessState&) = delete;
    ProcessState& operator=(const ProcessState&) = delete;
};

} // namespace kel::test
