#include "imaging/io/core/ieacquire.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "imaging/io/core/testsupport/xcheck.h"
#include "platform/rtl/clock.h"
#include "platform/rtl/dates.h"

namespace {

TEST(Acquire, WiaCallbackMapsTheThreeEvents) {
  TIEWia wia(nullptr);
  EXPECT_EQ(wia.DeviceManager, nullptr);
  int calls = 0;
  wia.OnWiaEvent = [&](TIEWia* Sender) {
    EXPECT_EQ(Sender, &wia);
    ++calls;
  };
  TWiaEventCallBack callback(&wia);
  const struct {
    GUID Event;
    uint8_t Last;
    int Calls;
  } cases[] = {{IEWiaEventTreeUpdated, 1, 1},
               {IEWiaEventItemCreated, 2, 2},
               {IEWiaEventItemDeleted, 3, 3},
               {GUID{0x12345678, 1, 2, {3, 4, 5, 6, 7, 8, 9, 10}}, 3, 3}};  // ignored
  for (const auto& c : cases) {
    EXPECT_EQ(callback.ImageEventCallback(c.Event), 0);
    EXPECT_EQ(wia.LastEvent, c.Last);
    EXPECT_EQ(calls, c.Calls);
  }
}

TEST(Acquire, TwainLogLinesOnlyWithAName) {
  TIETempDir dir;
  VirtualClock clock(EncodeDateTime(2026, 12, 10, 19, 5, 9, 0));
  Clock* old = &CurrentClock();
  SetClock(&clock);
  TIETWainState empty;
  IETWainRelease(empty);  // nothing set, no name: nothing happens
  IETWainLogName = dir.File("twain.log");
  IETWainLog("first");
  IETWainLog("second");
  IETWainLogName.clear();
  IETWainLog("not written");
  SetClock(old);
  std::ifstream f(dir.File("twain.log"));
  std::stringstream text;
  text << f.rdbuf();
  const TDateTime when = EncodeDateTime(2026, 12, 10, 19, 5, 9, 0);
  const String stamp = DateToStr(when) + " " + TimeToStr(when) + " : ";
  EXPECT_EQ(text.str(), stamp + "first\n" + stamp + "second\n");
}

}  // namespace
