// Installation of the chosen profile's colour-management variant and its association with the monitor.
#pragma once

// The association block: the last working step of the run.
void AssociateColorProfile();
