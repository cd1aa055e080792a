// The sources of the simulated machine's active display paths and the adapters its monitors belong to:
// what the display configuration and the colour system's display functions share. Implemented in
// display.cpp. Internal to the sim backend.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "platform/display.h"
#include "platform/sim/description.h"

namespace sim {

// The source of an active path: its adapter's LUID and the source's id on that adapter, as the description
// gives them (display.paths[i].adapterLuid, .sourceId) or, where it does not, LUID 0x1000 + i and id i.
struct PathSource {
    platform::Luid adapterId;
    platform::UINT32 id;
};
// The source of the path at index of a description's display.paths, checked or not.
PathSource SourceOfPath(const Json& paths, std::size_t index);
bool SameSource(const PathSource& a, const PathSource& b);

// The index of the first active path with this source; several paths share one source in clone mode.
std::optional<std::size_t> PathWithSource(const platform::Luid& adapterId, platform::UINT32 id);

// The GDI name that the source-name request answers for the active path at index.
std::u16string SourceNameOfPath(std::size_t index);

// The DeviceName of the adapter that enumerates the monitor with this DeviceID (ignoring case), or nothing.
std::optional<std::u16string> AdapterOfMonitor(std::u16string_view monitorDevice);

// An adapter LUID as a description writes it: "0x" and one to sixteen hexadecimal digits, the high part in
// the upper eight. False for any other text.
bool ParseLuid(std::string_view text, platform::Luid& luid);

} // namespace sim
