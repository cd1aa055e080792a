// The baseboard's product name, from WMI.
#pragma once

#include <cstddef>

inline constexpr std::size_t kBoardProductText = 260;

// Writes the product name into product (kBoardProductText units; "ERROR" when none could be read).
// Returns 1 when it holds a product name, 0 otherwise.
int GetBoardProduct(char16_t* product);
