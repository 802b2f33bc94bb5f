#pragma once

#include <string>

// The memory total shown beside the memory-pool settings: page count x page size in the chosen unit.
enum class MemoryUnit { Bytes, KiloBytes, MegaBytes, GigaBytes };

// The operands are held in single precision, as the proxy's own reckoning does (a count above 16777216 may lose
// its lowest digits); the product is taken in extended precision and shown with exactly 3 decimals and at most
// 10 significant digits, or in scientific notation when, so rounded, it has more than 10 digits before the decimal
// separator.
std::string formatMemoryTotal(float pageCount, float pageSize, MemoryUnit unit, char decimalSeparator = '.');
