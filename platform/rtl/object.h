// Root of the class hierarchy: every persistent object, component and control
// is a TObject, so any of them can be an event's Sender or live in a TObjectList.
#pragma once

#include <functional>

class TObject {
 public:
  TObject() = default;
  virtual ~TObject() = default;
  virtual const char* ClassName() const { return "TObject"; }
};

using TNotifyEvent = std::function<void(TObject* Sender)>;
