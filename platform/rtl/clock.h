// PLACEHOLDER: replaced by the clock module.
#pragma once
void InstallRealClock();
