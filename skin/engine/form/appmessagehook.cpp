#include "skin/engine/form/appmessagehook.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace {

struct THookEntry {
  int32_t Id;
  TMessageEvent Handler;
};

struct THookStack {
  TApplication* App = nullptr;
  TMessageEvent Original;
  std::vector<THookEntry> Entries;
  int32_t NextId = 1;
};

THookStack& Stack() {
  static THookStack stack;
  return stack;
}

// What Application.OnMessage holds while entries exist. Code that swaps the
// handler by hand on top of it and puts it back later finds the stack as it
// is then, down to the application's own handler.
struct TStackDispatcher {
  void operator()(TMSG& Msg, bool& Handled) const {
    THookStack& s = Stack();
    if (!s.Entries.empty()) {
      // A copy: the handler may remove its own entry.
      TMessageEvent top = s.Entries.back().Handler;
      top(Msg, Handled);
    } else if (s.Original) {
      s.Original(Msg, Handled);
    }
  }
};

bool DispatcherInstalled() {
  return Application != nullptr && Application->OnMessage.target<TStackDispatcher>() != nullptr;
}

}  // namespace

int32_t PushAppMessageHook(TMessageEvent Hook) {
  THookStack& s = Stack();
  // Entries left by an application that is gone mean nothing to this one.
  if (s.App != Application) s = THookStack{Application, nullptr, {}, s.NextId};
  if (Application == nullptr) return 0;
  if (!DispatcherInstalled()) {
    s.Original = Application->OnMessage;
    Application->OnMessage = TStackDispatcher{};
  }
  const int32_t id = s.NextId++;
  s.Entries.push_back(THookEntry{id, std::move(Hook)});
  return id;
}

void RemoveAppMessageHook(int32_t Id) {
  THookStack& s = Stack();
  if (Id == 0 || s.App != Application) return;
  const auto it = std::find_if(s.Entries.begin(), s.Entries.end(), [Id](const THookEntry& e) { return e.Id == Id; });
  if (it == s.Entries.end()) return;
  s.Entries.erase(it);
  if (!s.Entries.empty() || !DispatcherInstalled()) return;
  Application->OnMessage = std::move(s.Original);
  s.Original = nullptr;
}

int32_t AppMessageHookCount() { return Stack().App == Application ? int32_t(Stack().Entries.size()) : 0; }
