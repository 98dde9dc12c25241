// PLACEHOLDER: replaced by the arithmetic module.
#pragma once
#include <cstdint>
void SetRandSeed(uint32_t seed);
