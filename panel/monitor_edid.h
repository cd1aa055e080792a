// Every monitor's connection parameters and raw EDID block, from WMI.
#pragma once

#include <cstdint>

// Counting pass: count 0 and every array null. Filling pass: count is the capacity of each array.
// On return count holds the number of monitors described.
void GetMonitorEdid(int32_t* count, int32_t* activeFlags, char16_t** instanceNames, int32_t nameCapacity,
                    uint32_t* videoOutputTechnologies, const uint8_t* blockIds, uint8_t* blockTypes,
                    uint8_t** edidBlocks, int32_t edidCapacity);
