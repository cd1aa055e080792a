// Export of the chosen profile's private tags into the per-user data file.
#pragma once

// Resolves the profile, records its colour-management variant in the run context and writes the three
// private tags into section ICMTag of the per-user data file.
void GetICMTagContent();
