// COM's state on the simulated machine, shared between the sim's COM services. Internal to the sim
// backend.
#pragma once

namespace sim {

// True between CoInitializeEx and the matching CoUninitialize.
bool ComInitialized();

} // namespace sim
