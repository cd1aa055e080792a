// The run from start to exit.
#pragma once

// Runs the whole sequence once and returns the exit code: 0, or -11 when a system library cannot be
// loaded.
int RunSequence();
