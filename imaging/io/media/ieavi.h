// Our own reader of AVI files: the first video stream of a RIFF 'AVI '
// file, its rate, scale and length, and frame n as a packed DIB. Frames are
// found through the idx1 index, or by walking the movi list when there is
// none. Uncompressed frames (and the YUV layouts the DIB reader decodes) are
// handed over as stored; Motion-JPEG frames are decoded to 24 bits.
//
// Every size and offset read from the file is checked against the file; a
// damaged file fails to open or gives no frame, it never loops or reads
// outside the file.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/rtl/types.h"

class TStream;

class TIEAVIReader {
 public:
  TIEAVIReader();
  ~TIEAVIReader();
  TIEAVIReader(const TIEAVIReader&) = delete;
  TIEAVIReader& operator=(const TIEAVIReader&) = delete;

  // Opens the file's first video stream; false, with nothing kept open, when
  // the file cannot be read, is not an AVI, has no video stream or holds
  // video we cannot decode. Closes a file opened before.
  bool Open(const String& FileName);
  void Close();
  bool IsOpen() const { return FStream != nullptr; }

  // From the stream header: frames per second = Rate / Scale.
  uint32_t Rate() const { return FRate; }
  uint32_t Scale() const { return FScale; }
  uint32_t Length() const { return FLength; }

  // Frame Index as a packed DIB (info header, colour table, rows); false when
  // the frame has no data or does not decode. An empty chunk (a dropped
  // frame) repeats the frame before it.
  bool GetFrame(uint32_t Index, std::vector<uint8_t>& Dib);

 private:
  struct TChunk {
    int64_t Offset;  // of the chunk's data
    uint32_t Size;
  };
  bool ReadAt(int64_t Offset, void* Buffer, int64_t Count);
  bool ParseHeaderList(int64_t Start, int64_t End);
  bool IndexFromIdx1(int64_t Start, int64_t End);
  void IndexFromMovi(int64_t Start, int64_t End, int Depth);
  bool IsFrameId(uint32_t Id) const;

  std::unique_ptr<TStream> FStream;
  int64_t FFileSize = 0;
  uint32_t FRate = 0;
  uint32_t FScale = 0;
  uint32_t FLength = 0;
  int32_t FStreamNumber = -1;  // of the video stream, for the chunk ids "NNdb"/"NNdc"
  uint32_t FCompression = 0;
  std::vector<uint8_t> FFormat;  // the stream's BITMAPINFOHEADER and colour table
  int64_t FMoviStart = -1;       // position of the 'movi' list type
  int64_t FMoviEnd = -1;
  std::vector<TChunk> FFrames;
};
