#include "app/settings/marloutils.h"
#include "imaging/views/view/imgview.h"

double FitZoom(TImgView* View) {
  TIEBitmap* b = View->GetIEBitmap();
  return FitZoom(b->Width(), b->Height(), View->ClientWidth(), View->ClientHeight());
}
