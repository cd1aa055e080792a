// This machine as a machine description of the simulated machine: everything the tool reads.
#pragma once

#include <string>

// The description as JSON text. anonymous replaces the console user's name and the monitors' serial
// numbers. Needs COM initialised and the run context's system functions resolved.
std::string CaptureMachine(bool anonymous);
