// COM initialisation of the simulated machine's one thread.
#include "platform/com.h"

#include "platform/sim/com_state.h"
#include "platform/sim/description.h"
#include "platform/sim/machine.h"
#include "platform/sim/records.h"
#include "platform/text.h"

namespace sim {

namespace {

struct ComState {
    // Successful CoInitializeEx calls not yet matched by CoUninitialize, and their concurrency model.
    int initialised;
    platform::DWORD model;
};

ComState& State() {
    static ComState state{0, 0};
    return state;
}

void ResetCom() {
    State() = ComState{0, 0};
}

const sim::ModuleRegistration kModule{{&ResetCom, nullptr}};

} // namespace

bool ComInitialized() {
    return State().initialised > 0;
}

} // namespace sim

namespace platform {

HRESULT CoInitializeEx(void*, DWORD coInit) {
    sim::ComState& state = sim::State();
    HRESULT result = S_OK;
    if (state.initialised > 0 && state.model != coInit) {
        result = RPC_E_CHANGED_MODE;
    } else {
        result = state.initialised > 0 ? S_FALSE : S_OK;
        state.model = coInit;
        ++state.initialised;
    }
    sim::Journal("CoInitializeEx", {{"result", platform::Hex32(static_cast<uint32_t>(result))}});
    return result;
}

void CoUninitialize() {
    sim::ComState& state = sim::State();
    if (state.initialised > 0) {
        --state.initialised;
    }
    sim::Journal("CoUninitialize", sim::Json::object());
}

} // namespace platform
