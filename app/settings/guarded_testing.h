// Test support (included by *_test.cpp only): records what Guarded swallows
// for the lifetime of the object, and fails the test on every record it was
// not asked to take.
#pragma once

#include <gtest/gtest.h>

#include <vector>

#include "app/settings/guarded.h"

struct TGuardedRecord {
  String ClassName;
  String Message;
};

class TGuardedRecorder {
 public:
  TGuardedRecorder() {
    SetGuardedHook([this](const String& ClassName, const String& Message) {
      FRecords.push_back(TGuardedRecord{ClassName, Message});
    });
  }
  ~TGuardedRecorder() {
    SetGuardedHook(nullptr);
    for (const TGuardedRecord& r : FRecords)
      ADD_FAILURE() << "unexpected exception in a guarded handler: " << r.ClassName << ": " << r.Message;
  }
  TGuardedRecorder(const TGuardedRecorder&) = delete;
  TGuardedRecorder& operator=(const TGuardedRecorder&) = delete;

  // The records so far (the test expected them).
  std::vector<TGuardedRecord> Take() {
    std::vector<TGuardedRecord> r;
    r.swap(FRecords);
    return r;
  }

 private:
  std::vector<TGuardedRecord> FRecords;
};
