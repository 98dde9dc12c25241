// Test helpers for the drawing objects (included by *_test.cpp only).
#pragma once

#include <cstdint>

// The number of live objects of one type (OBJ_REGION, OBJ_BITMAP, ...) in
// the object table; stock objects count too. Lets a test see that what it
// made was deleted once, and not twice.
int32_t GdiLiveObjectCount(uint32_t ObjectType);
