#include "app/convert/batchconverttab.h"

#include <gtest/gtest.h>
