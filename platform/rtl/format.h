// PLACEHOLDER: replaced by the formatting module.
#pragma once
#include "platform/rtl/varrec.h"
String Format(const String& fmt, TVarRecList args);
