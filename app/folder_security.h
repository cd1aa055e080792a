// Owners and access lists of what the elevated run writes. C:\ProgramData lets any user create folders
// there and gives the creator full control of them, so the run gives its own folders an explicit, protected
// list, checks the folders and files of the staging path that exist already, and takes a folder back when
// its owner or list would let another account change it.
#pragma once

#include "platform/security.h"
#include "platform/types.h"

// What SHCreateDirectoryExW gives the folders the run creates: the staging folder's protected list. Owner
// Administrators, the creator.
const platform::SecurityAttributes* StagingFolderAttributes();

// Checks a folder of the staging path below C:\ProgramData, held open by held, and takes it back (owner
// Administrators, the run's protected list) when its owner is not SYSTEM, Administrators, TrustedInstaller or
// the account the run runs as, or its list lets another account change it; the staging folder itself may let
// users create files in it. One trace line names a folder taken back. False, with one trace line and one line
// on standard output, when the folder cannot be read or taken back.
bool CheckRunFolder(platform::Handle held, const char16_t* path, bool staging);

// Whether the file behind handle (opened with READ_CONTROL) is owned by SYSTEM, the Administrators or the
// account the run runs as (the owner of what it creates where the default owner is the creator).
bool OwnedByRun(platform::Handle file);
