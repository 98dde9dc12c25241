#include "platform/rtl/format.h"
String Format(const String& fmt, TVarRecList) { return fmt; }
