// Projection to a 1-bit image: each destination pixel looks at a block of
// source pixels and takes the "winning" colour when any pixel of the block
// has it (black wins for rfProjectBW, white for rfProjectWB), so thin lines
// survive strong reductions.
#include <cstring>
#include <vector>

#include "imaging/model/containers/ieresample.h"
#include "imaging/model/containers/ieresample_internal.h"

using namespace ieresample_detail;

namespace {

// The block of destination column k: 0..0 for k = 0, else q[k - 1]..q[k]
// with q[i] = trunc(SW / DW * i).
void BuildBlocks(int32_t SW, int32_t DW, std::vector<int32_t>& First, std::vector<int32_t>& Last) {
  First.resize(static_cast<size_t>(DW));
  Last.resize(static_cast<size_t>(DW));
  const double f = static_cast<double>(SW) / DW;
  int32_t previous = 0;
  for (int32_t k = 0; k < DW; ++k) {
    const int32_t q = ClampIndex(TruncInt(f * k), SW);
    First[static_cast<size_t>(k)] = k == 0 ? 0 : previous;
    Last[static_cast<size_t>(k)] = k == 0 ? 0 : q;
    previous = q;
  }
}

// Rows of destination row j: 0..0 for j = 0, else trunc(h (j - 1))..trunc(h j).
void BlockRows(double H, int32_t J, int32_t SH, int32_t& R1, int32_t& R2) {
  if (J == 0) {
    R1 = R2 = 0;
    return;
  }
  R1 = ClampIndex(TruncInt(H * (J - 1)), SH);
  R2 = ClampIndex(TruncInt(H * J), SH);
  if (R2 < R1) R2 = R1;
}

// Writes a 1-bit row: the background everywhere (padding included), the
// winning colour where Hit is set.
void WriteRow(uint8_t* Out, int32_t RowLen, const std::vector<uint8_t>& Hit, bool WhiteWins) {
  std::memset(Out, WhiteWins ? 0x00 : 0xFF, static_cast<size_t>(RowLen));
  for (size_t k = 0; k < Hit.size(); ++k) {
    if (!Hit[k]) continue;
    const auto bit = static_cast<uint8_t>(0x80u >> (k & 7));
    if (WhiteWins)
      Out[k >> 3] |= bit;
    else
      Out[k >> 3] &= static_cast<uint8_t>(~bit);
  }
}

template <class IsHit>
void Project(TIEBitmap* Source, TIEBitmap* Dest, bool WhiteWins, IsHit&& Hit, const TIEProgressEvent& OnProgress,
             TObject* Sender) {
  if (Dest->BitCount() != 1) EnsureFormat(Dest, TIEPixelFormat::ie1g);
  const int32_t SW = Source->Width(), SH = Source->Height();
  const int32_t DW = Dest->Width(), DH = Dest->Height();
  std::vector<int32_t> first, last;
  BuildBlocks(SW, DW, first, last);
  std::vector<uint8_t> hit(static_cast<size_t>(DW));
  const double h = static_cast<double>(SH) / DH;
  const double per = 100.0 / (DH + 0.5);

  TAccessGuard guard(Source, Dest);
  for (int32_t j = 0; j < DH; ++j) {
    int32_t r1, r2;
    BlockRows(h, j, SH, r1, r2);
    std::fill(hit.begin(), hit.end(), 0);
    // Row by row through the block, so that a file-backed source is read
    // one row at a time; a column already hit is not scanned again.
    for (int32_t r = r1; r <= r2; ++r) {
      const auto* row = static_cast<const uint8_t*>(Source->ScanLine(r));
      for (int32_t k = 0; k < DW; ++k) {
        const size_t s = static_cast<size_t>(k);
        if (hit[s]) continue;
        for (int32_t x = first[s]; x <= last[s]; ++x) {
          if (Hit(row, x)) {
            hit[s] = 1;
            break;
          }
        }
      }
    }
    WriteRow(static_cast<uint8_t*>(Dest->ScanLine(j)), Dest->RowLen(), hit, WhiteWins);
    if (OnProgress) IEDoProgress(OnProgress, Sender, TruncInt(per * j));
  }
  guard.Finish();
}

bool Ready(TIEBitmap* Source, TIEBitmap* Dest, TIEPixelFormat Format) {
  return Source && Dest && Source != Dest && !Source->IsEmpty() && Dest->Width() > 0 && Dest->Height() > 0 &&
         Source->PixelFormat() == Format;
}

}  // namespace

void ProjectResample(TIEBitmap* Source, TIEBitmap* Dest, bool WhiteWins, const TIEProgressEvent& OnProgress,
                     TObject* Sender) {
  if (!Ready(Source, Dest, TIEPixelFormat::ie24RGB)) return;
  // A channel of exactly 128 is neither dark nor light.
  if (WhiteWins)
    Project(
        Source, Dest, true,
        [](const uint8_t* Row, int32_t X) {
          const uint8_t* p = Row + static_cast<ptrdiff_t>(X) * 3;
          return p[0] > 128 && p[1] > 128 && p[2] > 128;
        },
        OnProgress, Sender);
  else
    Project(
        Source, Dest, false,
        [](const uint8_t* Row, int32_t X) {
          const uint8_t* p = Row + static_cast<ptrdiff_t>(X) * 3;
          return p[0] < 128 && p[1] < 128 && p[2] < 128;
        },
        OnProgress, Sender);
}

void ProjectResample1Bit(TIEBitmap* Source, TIEBitmap* Dest, bool WhiteWins) {
  if (!Ready(Source, Dest, TIEPixelFormat::ie1g)) return;
  const uint8_t wanted = WhiteWins ? 1 : 0;
  Project(
      Source, Dest, WhiteWins,
      [wanted](const uint8_t* Row, int32_t X) { return ((Row[X >> 3] >> (7 - (X & 7))) & 1) == wanted; },
      TIEProgressEvent(), nullptr);
}
