// The files this run wrote into the staging folder. Only those are read for tags or installed: a name
// that someone else made and the run could not replace stays where it is, unused.
#pragma once

// Notes that the run wrote the staged file at path.
void NoteStagedFile(const char16_t* path);
// Whether the run wrote the staged file at path (names compare ignoring ASCII letter case).
bool WasStagedThisRun(const char16_t* path);
// Forgets every file noted, as a new run starts.
void ForgetStagedFiles();
