// PLACEHOLDER: replaced by the strings module.
#pragma once
#include "platform/rtl/types.h"
String UTF16ToUTF8(const WideString& s);
