// Every monitor's connection parameters and raw EDID block, from WMI.
#pragma once

#include <cstdint>

#include "platform/wmi.h"

// Counting pass: count 0 and every array null. Filling pass: count is the capacity of each array.
// On return count holds the number of monitors described.
void GetMonitorEdid(int32_t* count, int32_t* activeFlags, char16_t** instanceNames, int32_t nameCapacity,
                    uint32_t* videoOutputTechnologies, const uint8_t* blockIds, uint8_t* blockTypes,
                    uint8_t** edidBlocks, int32_t edidCapacity);

// Copies a one-dimensional array of bytes (a BlockContent) into block: element k lands at position k;
// elements below 0 or at capacity and above are dropped. Other shapes are skipped; an element that
// cannot be read ends the copy.
void CopyBlockContent(platform::SafeArray* content, uint8_t* block, int32_t capacity);
