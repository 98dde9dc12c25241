// The file-type codes shared by the format registry, the parameter record,
// the dialogs and the batch run. Records hold them in an int32_t (FileType),
// so the enumeration converts to int32_t without a cast.
#pragma once

#include <cstdint>

enum TIEFormatCode : int32_t {
  fcNone = 0,  // not recognised, not loaded, or a header-only read failed
  fcTIFF = 1,
  fcGIF = 2,
  fcJPEG = 3,
  fcPCX = 4,
  fcBMP = 5,
  fcICO = 6,
  fcCUR = 7,
  fcPNG = 8,
  fcWMF = 9,
  fcEMF = 10,
  fcTGA = 11,
  fcPXM = 12,
  fcJP2 = 13,
  fcJ2K = 14,
  fcAVI = 15,
  fcWBMP = 16,
  fcPS = 17,
  fcPDF = 18,
  fcDCX = 19,
  fcRAW = 20,
};
