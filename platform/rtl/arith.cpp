#include "platform/rtl/arith.h"
void SetRandSeed(uint32_t) {}
