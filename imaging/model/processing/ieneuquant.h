// The Kohonen self-organising network quantizer (NeuQuant) for any number of
// colours. TIEQuantizer keeps it as its second method but never selects it.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "imaging/model/pixels/iedefs.h"

class TIEBitmap;

struct TNeuQuantNetwork {
  int32_t NetSize = 0;
  int32_t MaxNetPos = 0;
  int32_t InitRad = 0;     // initial radius in neurons (NetSize div 8)
  int32_t InitRadius = 0;  // the same with 6 bits of fraction
  int32_t AlphaDec = 0;
  TIEBitmap* Source = nullptr;
  int64_t LengthCount = 0;  // 3 * width * height
  int32_t SampleFac = 1;
  // Blue, green, red (4 bits of fraction while learning) and the colour's
  // index once unbiased.
  std::vector<std::array<int32_t, 4>> Network;
  int32_t NetIndex[256] = {};  // first neuron of each green level after the sort
  std::vector<int32_t> Bias;
  std::vector<int32_t> Freq;
  std::vector<int32_t> RadPower;
  int32_t Width = 0;
  int32_t Height = 0;
};

// Learns NColors colours of Bitmap (Quality -1 chooses the sampling by the
// pixel count, 0..100 otherwise) and writes them to ColorMap[0 .. NColors - 1].
std::unique_ptr<TNeuQuantNetwork> NeuQuantCreate(TIEBitmap* Bitmap, TRGB* ColorMap, int32_t NColors, int32_t Quality);
// The colour map index of the neuron nearest to Color (sum of absolute
// channel differences).
int32_t NeuQuantLookup(const TNeuQuantNetwork* Network, const TRGB& Color);
