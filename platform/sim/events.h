// Changes from outside that a machine description makes happen during a run, so that races can be shown on
// purpose: its "events" key, each {"after": CALL, "occurrence": N, "link": {"path": P, "target": T}}. Right
// after the N-th journal record of CALL, the name P becomes a symbolic link to T, as another user turns a
// file into a link in place: handles open on the file then refer to the link, which keeps the file's entry.
// Internal to the sim backend.
#pragma once

#include <string_view>

namespace sim {

// Called after each journal record: fires the events that wait for it.
void AfterJournal(std::string_view call);

} // namespace sim
