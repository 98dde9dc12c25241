#include "platform/rtl/clock.h"
void InstallRealClock() {}
