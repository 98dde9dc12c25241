// The text and run-length encoders under the image data of the PostScript
// and PDF writers, and the three routines that write a line of text.
#pragma once

#include <cstdint>

#include "platform/rtl/types.h"

class TStream;

// One ASCII85 group of Count (1..4) bytes at Source: "z" for a full group of
// zeros, else the first Count + 1 of the five base-85 digits ("!".."u") of
// the bytes completed with zeros. Advances Source by Count and Dest by the
// characters written, which it answers.
int32_t IEASCII85EncodeGroup(const uint8_t*& Source, int32_t Count, char*& Dest);

// Count bytes as ASCII85 text: groups of up to four bytes, "\r\n" after a
// group that brings the line to 75 characters or more, and the end marker
// "~>\r\n". Advances both cursors, adds the encoding characters written
// (line ends and end marker excluded) to DigitCount and answers every
// character written. Dest needs IEASCII85MaxSize(Count) bytes.
int32_t IEASCII85Encode(const uint8_t*& Source, int32_t Count, char*& Dest, int32_t& DigitCount);
int64_t IEASCII85MaxSize(int64_t Count);

// The PostScript/PDF RunLength coding of Length bytes into Dest (room for
// 2 * Length + 1 bytes): runs of 2 to 128 equal bytes as (257 - run, byte),
// literals of up to 128 bytes as (length - 1, bytes), then 128. A literal
// ends with the first byte of a following pair. Answers the coded length.
int32_t IERunLengthEncode(const uint8_t* Source, int32_t Length, uint8_t* Dest);

// Text followed by CR LF / by LF / alone. Write errors raise the stream's
// exception.
void IEStreamWriteLineCRLF(TStream* Stream, const String& Text);
void IEStreamWriteLineLF(TStream* Stream, const String& Text);
void IEStreamWriteString(TStream* Stream, const String& Text);
