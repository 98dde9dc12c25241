// Basic types shared by the whole runtime layer.
#pragma once

#include <cstdint>
#include <string>

// Text is UTF-8 in String; wide text is UTF-16 in WideString.
using String = std::string;
using WideString = std::u16string;
using AnsiChar = char;
using WideChar = char16_t;

using TDateTime = double;  // days since 1899-12-30, time as the fraction

using Integer = int32_t;
using Cardinal = uint32_t;
using Byte = uint8_t;
using Word = uint16_t;
using LongWord = uint32_t;
using DWORD = uint32_t;
using Int64 = int64_t;
using UInt64 = uint64_t;
