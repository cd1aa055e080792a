#include "profile/tag_export.h"

void GetICMTagContent() {}
