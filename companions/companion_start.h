// The start and end that the companion programs share with the tool's own run.
#pragma once

// Starts the platform, reads the registry debug switch, loads the system libraries as the tool does and
// starts COM. The routines' diagnostics go to standard error, so that standard output carries the
// program's own answer alone. False, after a message naming the program, when the libraries cannot be
// loaded.
bool StartCompanion(int argc, char** argv, const char* program);

// Ends COM and releases what the run context holds. Nothing is written back to the machine.
void EndCompanion();
