// COM's state on the simulated machine's one thread, for the services that need COM. Internal to the sim
// backend.
#pragma once

namespace sim {

// True between a successful CoInitializeEx and the matching CoUninitialize.
bool ComInitialized();

} // namespace sim
