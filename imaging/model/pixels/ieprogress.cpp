#include "imaging/model/pixels/ieprogress.h"

void IEDoProgress(const TIEProgressEvent& Event, TObject* Sender, int64_t Percent) {
  if (!Event) return;
  if (Percent < 0) Percent = 0;
  if (Percent > 100) Percent = 100;
  Event(Sender, static_cast<int32_t>(Percent));
}
