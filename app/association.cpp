#include "app/association.h"

void AssociateColorProfile() {}
