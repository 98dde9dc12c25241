// Window classes, the window table and tree, creation and destruction,
// window longs, geometry (SetWindowPos, ShowWindow, placement), z-order,
// enumeration, hit testing and text.
#include <unistd.h>

#include <algorithm>
#include <cassert>
#include <cstring>
#include <mutex>
#include <optional>
#include <unordered_map>

#include "platform/gui/win_core.h"
#include "platform/rtl/threads.h"

// Installs the painting layer's defaults into WinHooks() (win_paint.cpp).
void WinInstallPaintHooks();

namespace {

struct TWinGlobals {
  std::mutex TableLock;
  std::unordered_map<uintptr_t, std::shared_ptr<TWndRecord>> Table;
  uintptr_t NextId = 0x10000;
  std::shared_ptr<TWndRecord> Desktop;
  std::shared_ptr<TWndRecord> MessageRoot;
  std::vector<std::shared_ptr<TWndClass>> Classes;
  ATOM NextAtom = 0xC000;
  std::vector<HWND> Pending;  // deferred destructions
  int32_t DestroyNesting = 0;
  int32_t Cascade = 0;
  bool ForceDestroy = false;     // test reset: no deferral
  bool ForceClientSize = false;  // a show command changed the min/max state
};

TWinGlobals& G() {
  static TWinGlobals* globals = new TWinGlobals;
  return *globals;
}

uintptr_t IdOf(HWND hwnd) { return reinterpret_cast<uintptr_t>(hwnd); }
HWND HandleOf(uintptr_t id) { return reinterpret_cast<HWND>(id); }

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; }

bool SameText(const String& a, const char* b) {
  size_t n = std::strlen(b);
  if (a.size() != n) return false;
  for (size_t i = 0; i < n; ++i)
    if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
  return true;
}

LRESULT RootProc(HWND hwnd, uint32_t msg, WPARAM wParam, LPARAM lParam) {
  return DefWindowProc(hwnd, msg, wParam, lParam);
}

std::shared_ptr<TWndRecord> MakeRoot(const char* className) {
  auto cls = std::make_shared<TWndClass>();
  cls->Name = className;
  cls->WndProc = RootProc;
  auto rec = std::make_shared<TWndRecord>();
  rec->Class = cls;
  rec->WndProc = RootProc;
  rec->Style = WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS;
  rec->Created = true;
  rec->NeedSizeMove = false;
  TWinGlobals& g = G();
  uintptr_t id = g.NextId++;
  rec->Handle = HandleOf(id);
  std::lock_guard<std::mutex> lock(g.TableLock);
  g.Table[id] = rec;
  return rec;
}

std::shared_ptr<TWndClass> FindClass(const char* name) {
  if (name == nullptr) return nullptr;
  for (auto& c : G().Classes) {
    if (IS_INTRESOURCE(name)) {
      if (c->Atom == reinterpret_cast<uintptr_t>(name)) return c;
    } else if (SameText(c->Name, name)) {
      return c;
    }
  }
  return nullptr;
}

void OffsetTree(TWndRecord& w, int32_t dx, int32_t dy, bool self) {
  if (dx == 0 && dy == 0) return;
  WinWalk(w, [&](TWndRecord& r) {
    if (&r == &w && !self) return true;
    OffsetRect(r.WindowRect, dx, dy);
    OffsetRect(r.ClientRect, dx, dy);
    OffsetRect(r.NormalRect, dx, dy);
    return true;
  });
}

bool IsTopmost(const TWndRecord& w) { return (w.ExStyle & WS_EX_TOPMOST) != 0; }

void SetTopmostWithOwned(TWndRecord& w, bool topmost) {
  if (topmost)
    w.ExStyle |= WS_EX_TOPMOST;
  else
    w.ExStyle &= ~WS_EX_TOPMOST;
  for (TWndRecord* o : WinOwnedWindows(w)) SetTopmostWithOwned(*o, topmost);
}

// Topmost windows first, then owned windows directly above their owners.
void FixTopLevelOrder(std::vector<TWndRecord*>& list) {
  std::stable_partition(list.begin(), list.end(), [](TWndRecord* w) { return IsTopmost(*w); });
  for (size_t guard = 0; guard < list.size() * list.size() + 1; ++guard) {
    bool changed = false;
    for (size_t i = 0; i < list.size() && !changed; ++i) {
      TWndRecord* w = list[i];
      if (w->Owner == nullptr) continue;
      auto owner = std::find(list.begin(), list.end(), w->Owner);
      if (owner == list.end()) continue;
      size_t io = size_t(owner - list.begin());
      if (i > io) {
        list.erase(list.begin() + std::ptrdiff_t(i));
        list.insert(list.begin() + std::ptrdiff_t(io), w);
        changed = true;
      }
    }
    if (!changed) break;
  }
}

size_t FirstNonTopmost(const std::vector<TWndRecord*>& list) {
  size_t i = 0;
  while (i < list.size() && IsTopmost(*list[i])) ++i;
  return i;
}

// Places w in its parent's list; answers whether the order changed.
bool ZPlace(TWndRecord& w, HWND after) {
  std::vector<TWndRecord*>& list = w.Parent->Children;
  const std::vector<TWndRecord*> before = list;
  const bool band = &w.Parent->Children == &WinDesktop().Children;
  auto it = std::find(list.begin(), list.end(), &w);
  size_t old = it == list.end() ? 0 : size_t(it - list.begin());
  if (it != list.end()) list.erase(it);
  size_t idx = 0;
  if (after == HWND_TOP) {
    idx = band && !IsTopmost(w) ? FirstNonTopmost(list) : 0;
  } else if (after == HWND_BOTTOM) {
    if (band) SetTopmostWithOwned(w, false);
    idx = list.size();
  } else if (after == HWND_TOPMOST) {
    if (band) SetTopmostWithOwned(w, true);
    idx = 0;
  } else if (after == HWND_NOTOPMOST) {
    if (band && IsTopmost(w)) {
      SetTopmostWithOwned(w, false);
      idx = FirstNonTopmost(list);
    } else {
      idx = std::min(old, list.size());
    }
  } else {
    TWndRecord* a = WinFind(after);
    auto pos = std::find(list.begin(), list.end(), a);
    idx = pos == list.end() ? std::min(old, list.size()) : size_t(pos - list.begin()) + 1;
  }
  list.insert(list.begin() + std::ptrdiff_t(idx), &w);
  if (band) {
    // Owned windows travel with their owner, directly above it.
    std::vector<TWndRecord*> owned;
    for (TWndRecord* r : list)
      if (r != &w && WinIsOwnedBy(*r, w)) owned.push_back(r);
    if (!owned.empty()) {
      list.erase(
          std::remove_if(list.begin(), list.end(), [&](TWndRecord* r) { return r != &w && WinIsOwnedBy(*r, w); }),
          list.end());
      auto at = std::find(list.begin(), list.end(), &w);
      list.insert(at, owned.begin(), owned.end());
    }
    FixTopLevelOrder(list);
  }
  return list != before;
}

// Takes the record out of the tree and the table.
void Unlink(TWndRecord& w) {
  if (w.Parent != nullptr) {
    auto& list = w.Parent->Children;
    list.erase(std::remove(list.begin(), list.end(), &w), list.end());
  }
  TWinGlobals& g = G();
  {
    std::lock_guard<std::mutex> lock(g.TableLock);
    for (auto& [id, rec] : g.Table)
      if (rec->Owner == &w) rec->Owner = nullptr;
  }
  w.Destroyed = true;
  w.Destroying = false;
  if (w.Class) w.Class->WindowCount--;
  std::shared_ptr<TWndRecord> keep;
  {
    std::lock_guard<std::mutex> lock(g.TableLock);
    auto it = g.Table.find(IdOf(w.Handle));
    if (it != g.Table.end()) {
      keep = it->second;  // released outside the lock
      g.Table.erase(it);
    }
  }
}

bool SubtreeBusy(TWndRecord& w) {
  bool busy = false;
  WinWalk(w, [&](TWndRecord& r) {
    if (r.DispatchDepth > 0) busy = true;
    return !busy;
  });
  if (busy) return true;
  for (TWndRecord* o : WinOwnedWindows(w))
    if (SubtreeBusy(*o)) return true;
  return false;
}

void SendParentNotify(TWndRecord& w, uint32_t event) {
  TWndRecord* c = &w;
  while (c->IsChild() && (c->ExStyle & WS_EX_NOPARENTNOTIFY) == 0) {
    TWndRecord* p = c->Parent;
    auto keep = WinSharedOf(*p);
    WinCallProc(*p, WM_PARENTNOTIFY, MAKEWPARAM(int32_t(event), int32_t(w.Id)), reinterpret_cast<LPARAM>(w.Handle));
    if (!p->Alive() || p->Parent == nullptr) break;
    c = p;
  }
}

void DoDestroy(TWndRecord& w) {
  TWinGlobals& g = G();
  auto keep = WinSharedOf(w);
  struct TNesting {
    TWinGlobals& G;
    explicit TNesting(TWinGlobals& g) : G(g) { G.DestroyNesting++; }
    ~TNesting() { G.DestroyNesting--; }
  };
  std::optional<TNesting> nesting(std::in_place, g);
  w.DestroyPending = false;
  g.Pending.erase(std::remove(g.Pending.begin(), g.Pending.end(), w.Handle), g.Pending.end());

  SendParentNotify(w, WM_DESTROY);
  if (w.Alive() && (w.Style & WS_VISIBLE) != 0)
    SetWindowPos(w.Handle, nullptr, 0, 0, 0, 0,
                 SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_HIDEWINDOW);
  WinInputWindowGone(w);
  for (TWndRecord* o : WinOwnedWindows(w)) {
    HWND oh = o->Handle;
    DestroyWindow(oh);
    if (TWndRecord* left = WinFind(oh)) left->Owner = nullptr;  // deferred: let go of the owner
  }

  std::vector<std::shared_ptr<TWndRecord>> order;  // pre-order
  WinWalk(w, [&](TWndRecord& r) {
    order.push_back(WinSharedOf(r));
    return true;
  });
  for (auto& r : order) r->Destroying = true;
  for (auto& r : order)
    if (!r->Destroyed) WinCallProc(*r, WM_DESTROY, 0, 0);
  for (auto& r : order) {
    WinKillTimersOf(r->Handle);
    WinPurgePosted(r->Handle);
  }
  for (auto it = order.rbegin(); it != order.rend(); ++it) {
    TWndRecord& r = **it;
    if (r.Destroyed) continue;
    // Children made while the parent was being destroyed go with it.
    while (!r.Children.empty()) DoDestroy(*r.Children.front());
    r.Destroying = true;
    WinInputWindowGone(r);
    WinCallProc(r, WM_NCDESTROY, 0, 0);
    WinKillTimersOf(r.Handle);
    WinPurgePosted(r.Handle);
    if (WinHooks().WindowDestroyed) WinHooks().WindowDestroyed(r);
    if (r.IsTopLevel()) WinBackend().TopLevelDestroyed(r.Handle);
    Unlink(r);
  }
  nesting.reset();
  if (g.DestroyNesting == 0) WinRunPendingDestroys();
}

TMonitorDesc MonitorOf(const TWndRecord& w) { return WinMonitorOfRect(w.WindowRect); }

// Workspace coordinates: relative to the work area of the window's monitor.
TPoint WorkspaceOffset(const TWndRecord& w) {
  if (!w.IsTopLevel() || (w.ExStyle & WS_EX_TOOLWINDOW) != 0) return TPoint{0, 0};
  TMonitorDesc m = MonitorOf(w);
  return TPoint{m.Work.Left - m.Bounds.Left, m.Work.Top - m.Bounds.Top};
}

TRect IconicRect(const TWndRecord& w) {
  TPoint p = w.MinPosition;
  if (p.X == -1 && p.Y == -1) p = TPoint{-32000, -32000};
  return Bounds(p.X, p.Y, GetSystemMetrics(SM_CXMINIMIZED), GetSystemMetrics(SM_CYMINIMIZED));
}

TRect MaximizedRect(TWndRecord& w) {
  MINMAXINFO mmi = WinQueryMinMax(w);
  if (!w.IsTopLevel()) {
    TPoint po = WinParentOrigin(w);
    return Bounds(po.X + mmi.ptMaxPosition.X, po.Y + mmi.ptMaxPosition.Y, mmi.ptMaxSize.X, mmi.ptMaxSize.Y);
  }
  TMonitorDesc m = WinMonitorOfRect(w.NormalRect);
  return Bounds(m.Work.Left + mmi.ptMaxPosition.X, m.Work.Top + mmi.ptMaxPosition.Y, mmi.ptMaxSize.X, mmi.ptMaxSize.Y);
}

TRect ToParent(const TWndRecord& w, TRect screen) {
  TPoint po = WinParentOrigin(w);
  OffsetRect(screen, -po.X, -po.Y);
  return screen;
}

LRESULT UtilWindowProc(HWND hwnd, uint32_t msg, WPARAM wParam, LPARAM lParam) {
  TWndRecord* w = WinFind(hwnd);
  if (w != nullptr && w->Method) {
    TWndMethod method = w->Method;  // survives DeallocateHWnd inside the handler
    TMessage m{msg, wParam, lParam, 0};
    method(m);
    return m.Result;
  }
  return DefWindowProc(hwnd, msg, wParam, lParam);
}

const char* const kUtilClass = "TPUtilWindow";

}  // namespace

// ================================================================================
// Records and lookup
// ================================================================================

bool TWndRecord::IsMessageOnly() const {
  const TWndRecord* r = this;
  while (r->Parent != nullptr) r = r->Parent;
  return r == &WinMessageRoot() && this != r;
}

bool TWndRecord::VisibleTree() const {
  const TWndRecord* r = this;
  for (; r->Parent != nullptr; r = r->Parent)
    if ((r->Style & WS_VISIBLE) == 0) return false;
  return r == &WinDesktop();
}

bool TWndRecord::EnabledTree() const {
  for (const TWndRecord* r = this; r != nullptr && r->Parent != nullptr; r = r->Parent)
    if ((r->Style & WS_DISABLED) != 0) return false;
  return true;
}

TRect TWndRecord::RectInParent() const {
  TRect r = WindowRect;
  TPoint po = WinParentOrigin(*this);
  OffsetRect(r, -po.X, -po.Y);
  return r;
}

void WinEnsureInit() {
  TWinGlobals& g = G();
  if (g.Desktop) return;
  g.Desktop = MakeRoot("#32769");
  g.MessageRoot = MakeRoot("Message");
  g.Desktop->WindowRect = g.Desktop->ClientRect = WinVirtualScreen();
  WinInstallWakeHook();
  WinInstallPaintHooks();
}

TWndRecord& WinDesktop() {
  WinEnsureInit();
  return *G().Desktop;
}

TWndRecord& WinMessageRoot() {
  WinEnsureInit();
  return *G().MessageRoot;
}

TWndRecord* WinFind(HWND hwnd) {
  uintptr_t id = IdOf(hwnd);
  if (id < 0x10000 || id > UINTPTR_MAX - 16) return nullptr;
  TWinGlobals& g = G();
  std::lock_guard<std::mutex> lock(g.TableLock);
  auto it = g.Table.find(id);
  if (it == g.Table.end() || it->second->Destroyed) return nullptr;
  return it->second.get();
}

std::shared_ptr<TWndRecord> WinFindShared(HWND hwnd) {
  uintptr_t id = IdOf(hwnd);
  if (id < 0x10000 || id > UINTPTR_MAX - 16) return nullptr;
  TWinGlobals& g = G();
  std::lock_guard<std::mutex> lock(g.TableLock);
  auto it = g.Table.find(id);
  if (it == g.Table.end() || it->second->Destroyed) return nullptr;
  return it->second;
}

std::shared_ptr<TWndRecord> WinSharedOf(TWndRecord& w) {
  TWinGlobals& g = G();
  std::lock_guard<std::mutex> lock(g.TableLock);
  auto it = g.Table.find(IdOf(w.Handle));
  if (it != g.Table.end() && it->second.get() == &w) return it->second;
  return nullptr;  // already gone; callers hold it some other way
}

TWndRecord* WinRootOf(TWndRecord* w) {
  if (w == nullptr || w->Parent == nullptr) return nullptr;
  while (w->Parent->Parent != nullptr) w = w->Parent;
  return w;
}

bool WinWalk(TWndRecord& w, const std::function<bool(TWndRecord&)>& visit) {
  if (!visit(w)) return false;
  for (size_t i = 0; i < w.Children.size(); ++i)
    if (!WinWalk(*w.Children[i], visit)) return false;
  return true;
}

std::vector<TWndRecord*> WinAllWindows() {
  std::vector<TWndRecord*> out;
  for (TWndRecord* top : WinDesktop().Children)
    WinWalk(*top, [&](TWndRecord& r) {
      out.push_back(&r);
      return true;
    });
  return out;
}

std::vector<TWndRecord*> WinOwnedWindows(TWndRecord& w) {
  std::vector<TWndRecord*> out;
  for (TWndRecord* root : {&WinDesktop(), &WinMessageRoot()})
    for (TWndRecord* c : root->Children)
      if (c->Owner == &w) out.push_back(c);
  return out;
}

bool WinIsOwnedBy(const TWndRecord& w, const TWndRecord& owner) {
  for (const TWndRecord* o = w.Owner; o != nullptr; o = o->Owner)
    if (o == &owner) return true;
  return false;
}

TPoint WinParentOrigin(const TWndRecord& w) { return w.IsChild() ? w.Parent->ClientOrigin() : TPoint{0, 0}; }

int32_t WinStyleFrame(uint32_t style, uint32_t exStyle) {
  if ((style & WS_THICKFRAME) != 0) return GetSystemMetrics(SM_CXFRAME);
  if ((style & WS_DLGFRAME) != 0 || (exStyle & WS_EX_DLGMODALFRAME) != 0) return GetSystemMetrics(SM_CXDLGFRAME);
  if ((style & WS_BORDER) != 0) return GetSystemMetrics(SM_CXBORDER);
  return 0;
}

MINMAXINFO WinDefaultMinMax(TWndRecord& w) {
  MINMAXINFO mmi;
  int32_t f = WinStyleFrame(w.Style, w.ExStyle);
  TRect area;
  if (w.IsChild())
    area = Bounds(0, 0, w.Parent->ClientRect.Width(), w.Parent->ClientRect.Height());
  else {
    TMonitorDesc m = WinMonitorOfRect(w.NormalRect.Width() > 0 ? w.NormalRect : w.WindowRect);
    area = m.Work;
  }
  mmi.ptMaxSize = TPoint{area.Width() + 2 * f, area.Height() + 2 * f};
  mmi.ptMaxPosition = TPoint{-f, -f};
  mmi.ptMinTrackSize = TPoint{GetSystemMetrics(SM_CXMINTRACK), GetSystemMetrics(SM_CYMINTRACK)};
  mmi.ptMaxTrackSize = TPoint{GetSystemMetrics(SM_CXMAXTRACK), GetSystemMetrics(SM_CYMAXTRACK)};
  return mmi;
}

MINMAXINFO WinQueryMinMax(TWndRecord& w) {
  MINMAXINFO mmi = WinDefaultMinMax(w);
  WinCallProc(w, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&mmi));
  return mmi;
}

bool WinIsActivatable(const TWndRecord& w) {
  return w.IsTopLevel() && !w.IsMessageOnly() && (w.ExStyle & WS_EX_NOACTIVATE) == 0 && w.Alive() &&
         (w.Style & WS_DISABLED) == 0;
}

bool WinRaiseSilently(TWndRecord& w) {
  if (!w.IsTopLevel()) return false;
  TRect r = w.WindowRect;
  bool changed = ZPlace(w, HWND_TOP);
  if (changed) {
    TWinPosChange ch;
    ch.OldWindow = r;
    ch.OldClient = w.ClientRect;
    ch.WasVisible = ch.Visible = (w.Style & WS_VISIBLE) != 0;
    ch.ZOrderChanged = true;
    ch.Flags = SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE;
    if (WinHooks().WindowPosChanged) WinHooks().WindowPosChanged(w, ch);
    WinBackend().TopLevelChanged(w.Handle, ch);
  }
  return changed;
}

LRESULT WinCallProc(TWndRecord& w, uint32_t msg, WPARAM wParam, LPARAM lParam) {
  auto keep = WinSharedOf(w);
  struct TDepth {
    TWndRecord& W;
    explicit TDepth(TWndRecord& w) : W(w) { W.DispatchDepth++; }
    ~TDepth() { W.DispatchDepth--; }
  };
  LRESULT result;
  {
    TDepth depth(w);
    WNDPROC proc = w.WndProc;
    result = proc != nullptr ? proc(w.Handle, msg, wParam, lParam) : DefWindowProc(w.Handle, msg, wParam, lParam);
  }
  // A destruction deferred while this dispatch ran happens now that it returned.
  TWinGlobals& g = G();
  if (w.DispatchDepth == 0 && !g.Pending.empty() && g.DestroyNesting == 0) WinRunPendingDestroys();
  return result;
}

void WinRunPendingDestroys() {
  TWinGlobals& g = G();
  bool again = true;
  while (again && g.DestroyNesting == 0) {
    again = false;
    std::vector<HWND> pending = g.Pending;
    for (HWND h : pending) {
      TWndRecord* w = WinFind(h);
      if (w == nullptr) {
        g.Pending.erase(std::remove(g.Pending.begin(), g.Pending.end(), h), g.Pending.end());
        continue;
      }
      if (w->DestroyPending && !SubtreeBusy(*w)) {
        DoDestroy(*w);
        again = true;
        break;
      }
    }
  }
}

void WinAssertMainThread(const char* function) {
  if (!IsMainThread()) {
    (void)function;
    assert(!"window function called outside the main thread");
  }
}

// ================================================================================
// Classes
// ================================================================================

ATOM RegisterClassEx(const WNDCLASSEX& wc) {
  WinAssertMainThread("RegisterClassEx");
  WinEnsureInit();
  if (wc.lpszClassName == nullptr || IS_INTRESOURCE(wc.lpszClassName) || wc.lpszClassName[0] == 0 ||
      wc.lpfnWndProc == nullptr || wc.cbClsExtra < 0 || wc.cbWndExtra < 0 || wc.cbClsExtra > 40000 ||
      wc.cbWndExtra > 40000)
    return 0;
  if (FindClass(wc.lpszClassName)) return 0;
  auto c = std::make_shared<TWndClass>();
  TWinGlobals& g = G();
  if (g.NextAtom == 0xFFFF) return 0;
  c->Atom = g.NextAtom++;
  c->Name = wc.lpszClassName;
  c->Style = wc.style;
  c->WndProc = wc.lpfnWndProc;
  c->ClsExtraBytes = wc.cbClsExtra;
  c->WndExtraBytes = wc.cbWndExtra;
  c->Instance = wc.hInstance;
  c->Icon = wc.hIcon;
  c->IconSm = wc.hIconSm;
  c->Cursor = wc.hCursor;
  c->Background = wc.hbrBackground;
  c->MenuName = wc.lpszMenuName != nullptr && !IS_INTRESOURCE(wc.lpszMenuName) ? wc.lpszMenuName : "";
  c->Extra.assign(size_t(wc.cbClsExtra), 0);
  g.Classes.push_back(c);
  return c->Atom;
}

ATOM RegisterClass(const WNDCLASS& wc) {
  WNDCLASSEX ex;
  ex.style = wc.style;
  ex.lpfnWndProc = wc.lpfnWndProc;
  ex.cbClsExtra = wc.cbClsExtra;
  ex.cbWndExtra = wc.cbWndExtra;
  ex.hInstance = wc.hInstance;
  ex.hIcon = wc.hIcon;
  ex.hCursor = wc.hCursor;
  ex.hbrBackground = wc.hbrBackground;
  ex.lpszMenuName = wc.lpszMenuName;
  ex.lpszClassName = wc.lpszClassName;
  return RegisterClassEx(ex);
}

bool UnregisterClass(const char* className, HINSTANCE /*instance*/) {
  WinAssertMainThread("UnregisterClass");
  auto c = FindClass(className);
  if (!c || c->WindowCount > 0) return false;
  auto& list = G().Classes;
  list.erase(std::remove(list.begin(), list.end(), c), list.end());
  return true;
}

bool GetClassInfoEx(HINSTANCE /*instance*/, const char* className, WNDCLASSEX* wc) {
  auto c = FindClass(className);
  if (!c || wc == nullptr) return false;
  wc->style = c->Style;
  wc->lpfnWndProc = c->WndProc;
  wc->cbClsExtra = c->ClsExtraBytes;
  wc->cbWndExtra = c->WndExtraBytes;
  wc->hInstance = c->Instance;
  wc->hIcon = c->Icon;
  wc->hIconSm = c->IconSm;
  wc->hCursor = c->Cursor;
  wc->hbrBackground = c->Background;
  wc->lpszMenuName = c->MenuName.empty() ? nullptr : c->MenuName.c_str();
  wc->lpszClassName = c->Name.c_str();
  return true;
}

bool GetClassInfo(HINSTANCE instance, const char* className, WNDCLASS* wc) {
  WNDCLASSEX ex;
  if (wc == nullptr || !GetClassInfoEx(instance, className, &ex)) return false;
  wc->style = ex.style;
  wc->lpfnWndProc = ex.lpfnWndProc;
  wc->cbClsExtra = ex.cbClsExtra;
  wc->cbWndExtra = ex.cbWndExtra;
  wc->hInstance = ex.hInstance;
  wc->hIcon = ex.hIcon;
  wc->hCursor = ex.hCursor;
  wc->hbrBackground = ex.hbrBackground;
  wc->lpszMenuName = ex.lpszMenuName;
  wc->lpszClassName = ex.lpszClassName;
  return true;
}

String GetClassNameString(HWND hwnd) {
  TWndRecord* w = WinFind(hwnd);
  return w != nullptr && w->Class ? w->Class->Name : String();
}

int32_t GetClassName(HWND hwnd, char* buffer, int32_t size) {
  TWndRecord* w = WinFind(hwnd);
  if (w == nullptr || buffer == nullptr || size <= 0) return 0;
  const String& name = w->Class->Name;
  size_t n = std::min(name.size(), size_t(size - 1));
  std::memcpy(buffer, name.data(), n);
  buffer[n] = 0;
  return int32_t(n);
}

intptr_t GetClassLong(HWND hwnd, int32_t index) {
  TWndRecord* w = WinFind(hwnd);
  if (w == nullptr) return 0;
  TWndClass& c = *w->Class;
  switch (index) {
    case GCL_HBRBACKGROUND: return reinterpret_cast<intptr_t>(c.Background);
    case GCL_HCURSOR: return reinterpret_cast<intptr_t>(c.Cursor);
    case GCL_HICON: return reinterpret_cast<intptr_t>(c.Icon);
    case GCL_HICONSM: return reinterpret_cast<intptr_t>(c.IconSm);
    case GCL_HMODULE: return reinterpret_cast<intptr_t>(c.Instance);
    case GCL_CBWNDEXTRA: return c.WndExtraBytes;
    case GCL_CBCLSEXTRA: return c.ClsExtraBytes;
    case GCL_WNDPROC: return reinterpret_cast<intptr_t>(c.WndProc);
    case GCL_STYLE: return c.Style;
    case GCW_ATOM: return c.Atom;
    default: break;
  }
  if (index >= 0 && size_t(index) + sizeof(intptr_t) <= c.Extra.size()) {
    intptr_t v;
    std::memcpy(&v, c.Extra.data() + index, sizeof v);
    return v;
  }
  return 0;
}

intptr_t SetClassLong(HWND hwnd, int32_t index, intptr_t value) {
  WinAssertMainThread("SetClassLong");
  TWndRecord* w = WinFind(hwnd);
  if (w == nullptr) return 0;
  TWndClass& c = *w->Class;
  intptr_t old = GetClassLong(hwnd, index);
  switch (index) {
    case GCL_HBRBACKGROUND: c.Background = reinterpret_cast<HBRUSH>(value); return old;
    case GCL_HCURSOR: c.Cursor = reinterpret_cast<HCURSOR>(value); return old;
    case GCL_HICON: c.Icon = reinterpret_cast<HICON>(value); return old;
    case GCL_HICONSM: c.IconSm = reinterpret_cast<HICON>(value); return old;
    case GCL_WNDPROC: c.WndProc = reinterpret_cast<WNDPROC>(value); return old;
    case GCL_STYLE: c.Style = uint32_t(value); return old;
    default: break;
  }
  if (index >= 0 && size_t(index) + sizeof(intptr_t) <= c.Extra.size()) {
    std::memcpy(c.Extra.data() + index, &value, sizeof value);
    return old;
  }
  return 0;
}

// ================================================================================
// Creation and destruction
// ================================================================================

HWND CreateWindowEx(uint32_t exStyle, const char* className, const char* windowName, uint32_t style, int32_t x,
                    int32_t y, int32_t width, int32_t height, HWND parent, HMENU menu, HINSTANCE instance,
                    void* param) {
  WinAssertMainThread("CreateWindowEx");
  WinEnsureInit();
  auto cls = FindClass(className);
  if (!cls) return nullptr;
  TWinGlobals& g = G();

  TWndRecord* parentRec = nullptr;
  TWndRecord* owner = nullptr;
  if (parent == HWND_MESSAGE) {
    parentRec = g.MessageRoot.get();
  } else if (parent != nullptr) {
    TWndRecord* p = WinFind(parent);
    if (p == nullptr) return nullptr;
    if ((style & WS_CHILD) != 0) {
      parentRec = p;
    } else {
      parentRec = p->IsMessageOnly() ? g.MessageRoot.get() : g.Desktop.get();
      owner = p->IsRoot() ? nullptr : WinRootOf(p);
    }
  } else {
    if ((style & WS_CHILD) != 0) return nullptr;
    parentRec = g.Desktop.get();
  }

  auto rec = std::make_shared<TWndRecord>();
  TWndRecord& w = *rec;
  w.Class = cls;
  w.WndProc = cls->WndProc;
  const uint32_t requested = style;
  w.Style = style & ~(WS_VISIBLE | WS_MINIMIZE | WS_MAXIMIZE);
  w.ExStyle = exStyle;
  w.Instance = instance;
  w.Extra.assign(size_t(cls->WndExtraBytes), 0);
  w.Parent = parentRec;
  w.Owner = owner;
  const bool child = parentRec != g.Desktop.get() && parentRec != g.MessageRoot.get();
  if (child) {
    w.Id = reinterpret_cast<intptr_t>(menu);
  } else {
    w.Style |= WS_CLIPSIBLINGS;
    if ((w.Style & WS_POPUP) == 0) w.Style |= WS_CAPTION;
    if (owner != nullptr && IsTopmost(*owner)) w.ExStyle |= WS_EX_TOPMOST;
  }

  // Default position and size of overlapped windows: cascaded over the work area.
  if (x == CW_USEDEFAULT || width == CW_USEDEFAULT) {
    const bool overlapped = !child && (w.Style & WS_POPUP) == 0;
    TRect work = WinMonitorOfRect(Bounds(0, 0, 1, 1)).Work;
    if (x == CW_USEDEFAULT) {
      int32_t k = overlapped ? 26 * (g.Cascade++ % 10) : 0;
      x = overlapped ? work.Left + k : 0;
      y = overlapped ? work.Top + k : 0;
    }
    if (width == CW_USEDEFAULT) {
      width = overlapped ? work.Width() * 3 / 4 : 0;
      height = overlapped ? work.Height() * 3 / 4 : 0;
    }
  }
  width = std::max(width, 0);
  height = std::max(height, 0);
  TPoint po = child ? parentRec->ClientOrigin() : TPoint{0, 0};
  w.WindowRect = Bounds(x + po.X, y + po.Y, width, height);
  w.ClientRect = w.WindowRect;
  w.NormalRect = w.WindowRect;

  uintptr_t id = g.NextId++;
  w.Handle = HandleOf(id);
  {
    std::lock_guard<std::mutex> lock(g.TableLock);
    g.Table[id] = rec;
  }
  cls->WindowCount++;
  if (child || parentRec == g.MessageRoot.get())
    parentRec->Children.push_back(&w);
  else
    ZPlace(w, HWND_TOP);
  const HWND hwnd = w.Handle;

  CREATESTRUCT cs;
  cs.lpCreateParams = param;
  cs.hInstance = instance;
  cs.hMenu = menu;
  cs.hwndParent = parent;
  cs.x = x;
  cs.y = y;
  cs.cx = width;
  cs.cy = height;
  cs.style = requested;
  cs.lpszName = windowName;
  cs.lpszClass = className;
  cs.dwExStyle = exStyle;

  if (!child && parentRec == g.Desktop.get()) {
    MINMAXINFO mmi = WinQueryMinMax(w);
    if (!IsWindow(hwnd)) return nullptr;
    if ((w.Style & WS_THICKFRAME) != 0) {
      int32_t cx = std::clamp(width, mmi.ptMinTrackSize.X, std::max(mmi.ptMinTrackSize.X, mmi.ptMaxTrackSize.X));
      int32_t cy = std::clamp(height, mmi.ptMinTrackSize.Y, std::max(mmi.ptMinTrackSize.Y, mmi.ptMaxTrackSize.Y));
      if (cx != width || cy != height) {
        cs.cx = width = cx;
        cs.cy = height = cy;
        w.WindowRect = w.ClientRect = w.NormalRect = Bounds(x, y, width, height);
      }
    }
  }

  if (WinCallProc(w, WM_NCCREATE, 0, reinterpret_cast<LPARAM>(&cs)) == 0) {
    if (IsWindow(hwnd)) {
      w.Destroying = true;
      WinCallProc(w, WM_NCDESTROY, 0, 0);
      WinInputWindowGone(w);
      WinKillTimersOf(hwnd);
      WinPurgePosted(hwnd);
      Unlink(w);
    }
    return nullptr;
  }
  w.Created = true;
  if (!IsWindow(hwnd)) return nullptr;

  TRect r = w.RectInParent();
  WinCallProc(w, WM_NCCALCSIZE, 0, reinterpret_cast<LPARAM>(&r));
  if (!IsWindow(hwnd)) return nullptr;
  OffsetRect(r, po.X, po.Y);
  w.ClientRect = r;

  if (WinCallProc(w, WM_CREATE, 0, reinterpret_cast<LPARAM>(&cs)) == -1) {
    DestroyWindow(hwnd);
    return nullptr;
  }
  if (!IsWindow(hwnd)) return nullptr;
  if (child) SendParentNotify(w, WM_CREATE);
  if (!IsWindow(hwnd)) return nullptr;

  if ((requested & WS_VISIBLE) != 0) {
    int32_t cmd = SW_SHOW;
    if ((requested & WS_MAXIMIZE) != 0) cmd = SW_SHOWMAXIMIZED;
    if ((requested & WS_MINIMIZE) != 0) cmd = SW_SHOWMINIMIZED;
    ShowWindow(hwnd, cmd);
  } else {
    w.Style |= requested & (WS_MINIMIZE | WS_MAXIMIZE);
  }
  return IsWindow(hwnd) ? hwnd : nullptr;
}

bool DestroyWindow(HWND hwnd) {
  WinAssertMainThread("DestroyWindow");
  TWndRecord* w = WinFind(hwnd);
  if (w == nullptr || w->IsRoot()) return false;
  if (w->Destroying || w->DestroyPending) return true;
  TWinGlobals& g = G();
  if (!g.ForceDestroy && SubtreeBusy(*w)) {
    w->DestroyPending = true;
    g.Pending.push_back(hwnd);
    return true;
  }
  DoDestroy(*w);
  return true;
}

bool IsWindow(HWND hwnd) { return WinFindShared(hwnd) != nullptr; }

bool IsWindowVisible(HWND hwnd) {
  TWndRecord* w = WinFind(hwnd);
  return w != nullptr && w->VisibleTree();
}

bool IsWindowEnabled(HWND hwnd) {
  TWndRecord* w = WinFind(hwnd);
  return w != nullptr && (w->Style & WS_DISABLED) == 0;
}

bool EnableWindow(HWND hwnd, bool enable) {
  WinAssertMainThread("EnableWindow");
  TWndRecord* w = WinFind(hwnd);
  if (w == nullptr) return false;
  auto keep = WinSharedOf(*w);
  const bool wasDisabled = (w->Style & WS_DISABLED) != 0;
  if (enable && wasDisabled) {
    w->Style &= ~WS_DISABLED;
    WinCallProc(*w, WM_ENABLE, 1, 0);
  } else if (!enable && !wasDisabled) {
    WinCallProc(*w, WM_CANCELMODE, 0, 0);
    if (!w->Alive()) return wasDisabled;
    w->Style |= WS_DISABLED;
    if (TWndRecord* f = WinFind(WinFocusHandle()))
      if (f == w || IsChild(hwnd, f->Handle)) SetFocus(nullptr);
    WinCallProc(*w, WM_ENABLE, 0, 0);
  }
  return wasDisabled;
}

bool IsIconic(HWND hwnd) {
  TWndRecord* w = WinFind(hwnd);
  return w != nullptr && (w->Style & WS_MINIMIZE) != 0;
}

bool IsZoomed(HWND hwnd) {
  TWndRecord* w = WinFind(hwnd);
  return w != nullptr && (w->Style & WS_MAXIMIZE) != 0;
}

bool IsChild(HWND parent, HWND hwnd) {
  TWndRecord* p = WinFind(parent);
  TWndRecord* w = WinFind(hwnd);
  if (p == nullptr || w == nullptr) return false;
  for (TWndRecord* r = w; r->IsChild(); r = r->Parent)
    if (r->Parent == p) return true;
  return false;
}

// ================================================================================
// Window longs and procedures
// ================================================================================

intptr_t GetWindowLong(HWND hwnd, int32_t index) {
  TWndRecord* w = WinFind(hwnd);
  if (w == nullptr) return 0;
  switch (index) {
    case GWL_WNDPROC: return reinterpret_cast<intptr_t>(w->WndProc);
    case GWL_HINSTANCE: return reinterpret_cast<intptr_t>(w->Instance);
    case GWL_HWNDPARENT:
      if (w->IsChild()) return reinterpret_cast<intptr_t>(w->Parent->Handle);
      return reinterpret_cast<intptr_t>(w->Owner != nullptr ? w->Owner->Handle : nullptr);
    case GWL_ID: return w->Id;
    case GWL_STYLE: return intptr_t(w->Style);
    case GWL_EXSTYLE: return intptr_t(w->ExStyle);
    case GWL_USERDATA: return w->UserData;
    default: break;
  }
  if (index >= 0 && size_t(index) + sizeof(intptr_t) <= w->Extra.size()) {
    intptr_t v;
    std::memcpy(&v, w->Extra.data() + index, sizeof v);
    return v;
  }
  return 0;
}

intptr_t SetWindowLong(HWND hwnd, int32_t index, intptr_t value) {
  WinAssertMainThread("SetWindowLong");
  TWndRecord* w = WinFind(hwnd);
  if (w == nullptr || w->IsRoot()) return 0;
  auto keep = WinSharedOf(*w);
  intptr_t old = GetWindowLong(hwnd, index);
  switch (index) {
    case GWL_WNDPROC: w->WndProc = reinterpret_cast<WNDPROC>(value); return old;
    case GWL_HINSTANCE: w->Instance = reinterpret_cast<HINSTANCE>(value); return old;
    case GWL_ID: w->Id = value; return old;
    case GWL_USERDATA: w->UserData = value; return old;
    case GWL_HWNDPARENT: {
      if (w->IsChild()) return old;
      TWndRecord* o = WinFind(reinterpret_cast<HWND>(value));
      o = o != nullptr ? WinRootOf(o) : nullptr;
      if (o == w || (o != nullptr && WinIsOwnedBy(*o, *w))) return old;
      w->Owner = o;
      if (w->IsTopLevel()) {
        if (o != nullptr && IsTopmost(*o)) SetTopmostWithOwned(*w, true);
        FixTopLevelOrder(w->Parent->Children);
      }
      return old;
    }
    case GWL_STYLE:
    case GWL_EXSTYLE: {
      STYLESTRUCT ss{uint32_t(old), uint32_t(value)};
      WinCallProc(*w, WM_STYLECHANGING, WPARAM(intptr_t(index)), reinterpret_cast<LPARAM>(&ss));
      if (!w->Alive() && w->Destroyed) return old;
      if (index == GWL_STYLE)
        w->Style = ss.styleNew;
      else
        w->ExStyle = ss.styleNew;
      WinCallProc(*w, WM_STYLECHANGED, WPARAM(intptr_t(index)), reinterpret_cast<LPARAM>(&ss));
      return old;
    }
    default: break;
  }
  if (index >= 0 && size_t(index) + sizeof(intptr_t) <= w->Extra.size()) {
    std::memcpy(w->Extra.data() + index, &value, sizeof value);
    return old;
  }
  return 0;
}

LRESULT CallWindowProc(WNDPROC proc, HWND hwnd, uint32_t msg, WPARAM wParam, LPARAM lParam) {
  if (proc == nullptr) return 0;
  return proc(hwnd, msg, wParam, lParam);
}

// ================================================================================
// Geometry
// ================================================================================

bool SetWindowPos(HWND hwnd, HWND after, int32_t x, int32_t y, int32_t cx, int32_t cy, uint32_t flags) {
  WinAssertMainThread("SetWindowPos");
  TWndRecord* w = WinFind(hwnd);
  if (w == nullptr || w->IsRoot()) return false;
  auto keep = WinSharedOf(*w);
  const uint32_t internal = SWP_NOCLIENTSIZE | SWP_NOCLIENTMOVE | SWP_STATECHANGED;
  auto normalize = [&](uint32_t f) {
    f &= ~internal;
    const bool visible = (w->Style & WS_VISIBLE) != 0;
    if ((f & SWP_SHOWWINDOW) != 0 && (f & SWP_HIDEWINDOW) != 0) f &= ~SWP_HIDEWINDOW;
    if ((f & SWP_SHOWWINDOW) != 0 && visible) f &= ~SWP_SHOWWINDOW;
    if ((f & SWP_HIDEWINDOW) != 0 && !visible) f &= ~SWP_HIDEWINDOW;
    return f;
  };
  flags = normalize(flags);
  if (!w->IsTopLevel() && (after == HWND_TOPMOST || after == HWND_NOTOPMOST)) after = HWND_TOP;
  if (after == hwnd) flags |= SWP_NOZORDER;

  const TRect cur = w->RectInParent();
  WINDOWPOS wp;
  wp.hwnd = hwnd;
  wp.hwndInsertAfter = after;
  wp.x = (flags & SWP_NOMOVE) != 0 ? cur.Left : x;
  wp.y = (flags & SWP_NOMOVE) != 0 ? cur.Top : y;
  wp.cx = (flags & SWP_NOSIZE) != 0 ? cur.Width() : std::max(cx, 0);
  wp.cy = (flags & SWP_NOSIZE) != 0 ? cur.Height() : std::max(cy, 0);
  wp.flags = flags;
  if ((flags & SWP_NOSENDCHANGING) == 0) {
    WinCallProc(*w, WM_WINDOWPOSCHANGING, 0, reinterpret_cast<LPARAM>(&wp));
    if (w->Destroyed) return false;
    flags = normalize(wp.flags);
    after = wp.hwndInsertAfter;
    if (!w->IsTopLevel() && (after == HWND_TOPMOST || after == HWND_NOTOPMOST)) after = HWND_TOP;
  }
  TRect newRect = Bounds((flags & SWP_NOMOVE) != 0 ? cur.Left : wp.x, (flags & SWP_NOMOVE) != 0 ? cur.Top : wp.y,
                         (flags & SWP_NOSIZE) != 0 ? cur.Width() : std::max(wp.cx, 0),
                         (flags & SWP_NOSIZE) != 0 ? cur.Height() : std::max(wp.cy, 0));
  wp.x = newRect.Left;
  wp.y = newRect.Top;
  wp.cx = newRect.Width();
  wp.cy = newRect.Height();
  const bool sized = newRect.Width() != cur.Width() || newRect.Height() != cur.Height();
  const bool moved = newRect.Left != cur.Left || newRect.Top != cur.Top;
  const TPoint po = WinParentOrigin(*w);
  const TRect oldWindow = w->WindowRect;
  const TRect oldClient = w->ClientRect;
  TRect oldClientP = oldClient;
  OffsetRect(oldClientP, -po.X, -po.Y);

  TRect newClientP;
  if ((w->Style & WS_MINIMIZE) != 0) {
    newClientP = TRect{newRect.Left, newRect.Top, newRect.Left, newRect.Top};
  } else if (sized || (flags & SWP_FRAMECHANGED) != 0) {
    NCCALCSIZE_PARAMS p;
    p.rgrc[0] = newRect;
    p.rgrc[1] = cur;
    p.rgrc[2] = oldClientP;
    p.lppos = &wp;
    WinCallProc(*w, WM_NCCALCSIZE, 1, reinterpret_cast<LPARAM>(&p));
    if (w->Destroyed) return false;
    newClientP = p.rgrc[0];
  } else {
    newClientP = oldClientP;
    OffsetRect(newClientP, newRect.Left - cur.Left, newRect.Top - cur.Top);
  }

  // Apply.
  TRect newWindow = newRect;
  OffsetRect(newWindow, po.X, po.Y);
  TRect newClient = newClientP;
  OffsetRect(newClient, po.X, po.Y);
  const bool wasVisible = (w->Style & WS_VISIBLE) != 0;
  for (TWndRecord* c : w->Children)
    OffsetTree(*c, newClient.Left - oldClient.Left, newClient.Top - oldClient.Top, true);
  w->WindowRect = newWindow;
  w->ClientRect = newClient;
  if ((w->Style & (WS_MINIMIZE | WS_MAXIMIZE)) == 0) w->NormalRect = newWindow;
  bool zChanged = false;
  if ((flags & SWP_NOZORDER) == 0) zChanged = ZPlace(*w, after);
  if ((flags & SWP_SHOWWINDOW) != 0) w->Style |= WS_VISIBLE;
  if ((flags & SWP_HIDEWINDOW) != 0) w->Style &= ~WS_VISIBLE;

  const bool clientMoved = newClientP.Left != oldClientP.Left || newClientP.Top != oldClientP.Top;
  const bool clientSized = newClientP.Width() != oldClientP.Width() || newClientP.Height() != oldClientP.Height();
  TWinPosChange ch;
  ch.OldWindow = oldWindow;
  ch.OldClient = oldClient;
  ch.WasVisible = wasVisible;
  ch.Visible = (w->Style & WS_VISIBLE) != 0;
  ch.Moved = moved || oldWindow.Left != newWindow.Left || oldWindow.Top != newWindow.Top;
  ch.Resized = sized;
  ch.ZOrderChanged = zChanged;
  ch.Flags = flags;
  if (ch.Moved || ch.Resized || zChanged || clientMoved || clientSized ||
      (flags & (SWP_SHOWWINDOW | SWP_HIDEWINDOW | SWP_FRAMECHANGED)) != 0) {
    if (WinHooks().WindowPosChanged) WinHooks().WindowPosChanged(*w, ch);
    if (w->IsTopLevel() && !w->IsMessageOnly()) WinBackend().TopLevelChanged(hwnd, ch);
  }
  if ((flags & SWP_HIDEWINDOW) != 0) WinInputWindowHidden(*w);
  if ((flags & SWP_NOACTIVATE) == 0 && (w->Style & WS_VISIBLE) != 0 && WinIsActivatable(*w)) WinActivate(w, WA_ACTIVE);
  if (w->Destroyed) return false;

  bool sendSize = clientSized || G().ForceClientSize;
  bool sendMove = clientMoved;
  if (w->NeedSizeMove && (w->Style & WS_VISIBLE) != 0) sendSize = sendMove = true;
  wp.flags = flags;
  if (!sendSize) wp.flags |= SWP_NOCLIENTSIZE;
  if (!sendMove) wp.flags |= SWP_NOCLIENTMOVE;
  WinCallProc(*w, WM_WINDOWPOSCHANGED, 0, reinterpret_cast<LPARAM>(&wp));
  return true;
}

bool MoveWindow(HWND hwnd, int32_t x, int32_t y, int32_t width, int32_t height, bool repaint) {
  return SetWindowPos(hwnd, nullptr, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE | (repaint ? 0 : SWP_NOREDRAW));
}

bool BringWindowToTop(HWND hwnd) { return SetWindowPos(hwnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE); }

bool ShowWindow(HWND hwnd, int32_t cmd) {
  WinAssertMainThread("ShowWindow");
  TWndRecord* w = WinFind(hwnd);
  if (w == nullptr || w->IsRoot()) return false;
  auto keep = WinSharedOf(*w);
  const bool was = (w->Style & WS_VISIBLE) != 0;
  enum { kKeep, kRestore, kMinimize, kMaximize } state = kKeep;
  bool activate = false;
  switch (cmd) {
    case SW_HIDE:
      if (!was) return false;
      WinCallProc(*w, WM_SHOWWINDOW, 0, 0);
      if (!w->Destroyed)
        SetWindowPos(hwnd, nullptr, 0, 0, 0, 0,
                     SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_HIDEWINDOW);
      return true;
    case SW_SHOWNORMAL:
    case SW_SHOWDEFAULT:
    case SW_RESTORE:
      state = kRestore;
      activate = true;
      break;
    case SW_SHOWMINIMIZED:
      state = kMinimize;
      activate = true;
      break;
    case SW_SHOWMAXIMIZED:
      state = kMaximize;
      activate = true;
      break;
    case SW_SHOWNOACTIVATE: state = kRestore; break;
    case SW_SHOW: activate = true; break;
    case SW_MINIMIZE:
    case SW_FORCEMINIMIZE:
    case SW_SHOWMINNOACTIVE: state = kMinimize; break;
    case SW_SHOWNA: break;
    default: return was;
  }
  if (!w->IsTopLevel()) activate = false;
  if (!was) {
    WinCallProc(*w, WM_SHOWWINDOW, 1, 0);
    if (w->Destroyed) return was;
  }
  const bool isMin = (w->Style & WS_MINIMIZE) != 0;
  const bool isMax = (w->Style & WS_MAXIMIZE) != 0;
  if (state == kRestore && isMin && cmd == SW_RESTORE && w->RestoreToMaximized) state = kMaximize;
  bool geometry = false;
  TRect target;
  if (state == kRestore && (isMin || isMax)) {
    w->Style &= ~(WS_MINIMIZE | WS_MAXIMIZE);
    w->RestoreToMaximized = false;
    target = w->NormalRect;
    geometry = true;
  } else if (state == kMinimize && !isMin) {
    w->RestoreToMaximized = isMax;
    w->Style = (w->Style | WS_MINIMIZE) & ~WS_MAXIMIZE;
    target = IconicRect(*w);
    geometry = true;
  } else if (state == kMaximize && !isMax) {
    w->Style = (w->Style | WS_MAXIMIZE) & ~WS_MINIMIZE;
    target = MaximizedRect(*w);
    if (w->Destroyed) return was;
    geometry = true;
  }
  uint32_t flags = SWP_SHOWWINDOW;
  if (!activate) flags |= SWP_NOACTIVATE | SWP_NOZORDER;
  if (geometry) {
    TRect p = state == kMinimize ? target : ToParent(*w, target);
    flags |= SWP_FRAMECHANGED;
    struct TForce {
      TForce() { G().ForceClientSize = true; }
      ~TForce() { G().ForceClientSize = false; }
    } force;
    SetWindowPos(hwnd, HWND_TOP, p.Left, p.Top, p.Width(), p.Height(), flags);
  } else {
    SetWindowPos(hwnd, HWND_TOP, 0, 0, 0, 0, flags | SWP_NOMOVE | SWP_NOSIZE);
  }
  if (state == kMinimize && cmd != SW_SHOWMINIMIZED && IsWindow(hwnd) && WinActiveHandle() == hwnd) WinActivateOther(w);
  return was;
}

bool GetWindowPlacement(HWND hwnd, WINDOWPLACEMENT* placement) {
  TWndRecord* w = WinFind(hwnd);
  if (w == nullptr || placement == nullptr) return false;
  placement->length = sizeof(WINDOWPLACEMENT);
  placement->flags = ((w->Style & WS_MINIMIZE) != 0 && w->RestoreToMaximized) ? WPF_RESTORETOMAXIMIZED : 0;
  placement->showCmd = (w->Style & WS_MINIMIZE) != 0   ? SW_SHOWMINIMIZED
                       : (w->Style & WS_MAXIMIZE) != 0 ? SW_SHOWMAXIMIZED
                                                       : SW_SHOWNORMAL;
  placement->ptMinPosition = w->MinPosition;
  placement->ptMaxPosition = w->MaxPosition;
  TRect r = ToParent(*w, w->NormalRect);
  TPoint ws = WorkspaceOffset(*w);
  OffsetRect(r, -ws.X, -ws.Y);
  placement->rcNormalPosition = r;
  return true;
}

bool SetWindowPlacement(HWND hwnd, const WINDOWPLACEMENT* placement) {
  WinAssertMainThread("SetWindowPlacement");
  TWndRecord* w = WinFind(hwnd);
  if (w == nullptr || placement == nullptr) return false;
  auto keep = WinSharedOf(*w);
  if ((placement->flags & WPF_SETMINPOSITION) != 0) w->MinPosition = placement->ptMinPosition;
  w->MaxPosition = placement->ptMaxPosition;
  TRect r = placement->rcNormalPosition;
  TPoint ws = WorkspaceOffset(*w);
  OffsetRect(r, ws.X, ws.Y);
  TPoint po = WinParentOrigin(*w);
  TRect screen = r;
  OffsetRect(screen, po.X, po.Y);
  w->NormalRect = screen;
  if ((placement->flags & WPF_RESTORETOMAXIMIZED) != 0) w->RestoreToMaximized = true;
  if ((w->Style & (WS_MINIMIZE | WS_MAXIMIZE)) == 0)
    SetWindowPos(hwnd, nullptr, r.Left, r.Top, r.Width(), r.Height(), SWP_NOZORDER | SWP_NOACTIVATE);
  if (!IsWindow(hwnd)) return false;
  if (placement->showCmd != SW_HIDE || (w->Style & WS_VISIBLE) != 0) ShowWindow(hwnd, int32_t(placement->showCmd));
  return true;
}

// ================================================================================
// Tree
// ================================================================================

HWND GetDesktopWindow() { return WinDesktop().Handle; }

HWND GetParent(HWND hwnd) {
  TWndRecord* w = WinFind(hwnd);
  if (w == nullptr) return nullptr;
  if (w->IsChild()) return w->Parent->Handle;
  if ((w->Style & WS_POPUP) != 0 && w->Owner != nullptr) return w->Owner->Handle;
  return nullptr;
}

HWND SetParent(HWND child, HWND newParent) {
  WinAssertMainThread("SetParent");
  TWndRecord* w = WinFind(child);
  if (w == nullptr || w->IsRoot()) return nullptr;
  TWndRecord* p;
  if (newParent == nullptr)
    p = &WinDesktop();
  else if (newParent == HWND_MESSAGE)
    p = &WinMessageRoot();
  else
    p = WinFind(newParent);
  if (p == nullptr || p == w) return nullptr;
  for (TWndRecord* a = p; a != nullptr; a = a->Parent)
    if (a == w) return nullptr;
  TWndRecord* old = w->Parent;
  HWND oldHandle = old->Handle;
  if (old == p) return oldHandle;
  const TRect rel = w->RectInParent();
  const TRect oldWindow = w->WindowRect;
  auto& list = old->Children;
  list.erase(std::remove(list.begin(), list.end(), w), list.end());
  w->Parent = p;
  if (p->IsRoot()) {
    w->Owner = nullptr;
    ZPlace(*w, HWND_TOP);
  } else {
    w->Owner = nullptr;
    p->Children.insert(p->Children.begin(), w);
  }
  TPoint po = WinParentOrigin(*w);
  OffsetTree(*w, rel.Left + po.X - oldWindow.Left, rel.Top + po.Y - oldWindow.Top, true);
  if (WinHooks().ParentChanged) WinHooks().ParentChanged(*w, old);
  if ((w->Style & WS_VISIBLE) != 0 && !w->VisibleTree()) WinInputWindowHidden(*w);
  return oldHandle;
}

HWND GetWindow(HWND hwnd, uint32_t cmd) {
  TWndRecord* w = WinFind(hwnd);
  if (w == nullptr) return nullptr;
  auto handleAt = [](const std::vector<TWndRecord*>& list, size_t i) -> HWND {
    return i < list.size() ? list[i]->Handle : nullptr;
  };
  if (cmd == GW_CHILD) return handleAt(w->Children, 0);
  if (cmd == GW_OWNER) return w->Owner != nullptr ? w->Owner->Handle : nullptr;
  if (cmd == GW_ENABLEDPOPUP) {
    for (TWndRecord* c : WinDesktop().Children)
      if (c->Owner == w && (c->Style & WS_VISIBLE) != 0 && (c->Style & WS_DISABLED) == 0) return c->Handle;
    return nullptr;
  }
  if (w->Parent == nullptr) return nullptr;
  const auto& list = w->Parent->Children;
  auto it = std::find(list.begin(), list.end(), w);
  size_t i = size_t(it - list.begin());
  switch (cmd) {
    case GW_HWNDFIRST: return handleAt(list, 0);
    case GW_HWNDLAST: return list.empty() ? nullptr : list.back()->Handle;
    case GW_HWNDNEXT: return handleAt(list, i + 1);
    case GW_HWNDPREV: return i == 0 ? nullptr : handleAt(list, i - 1);
    default: return nullptr;
  }
}

HWND GetTopWindow(HWND hwnd) {
  TWndRecord* w = hwnd == nullptr ? &WinDesktop() : WinFind(hwnd);
  if (w == nullptr || w->Children.empty()) return nullptr;
  return w->Children.front()->Handle;
}

HWND GetAncestor(HWND hwnd, uint32_t flags) {
  TWndRecord* w = WinFind(hwnd);
  if (w == nullptr || w->IsRoot()) return nullptr;
  switch (flags) {
    case GA_PARENT: return w->Parent->Handle;
    case GA_ROOT: return WinRootOf(w)->Handle;
    case GA_ROOTOWNER: {
      TWndRecord* r = WinRootOf(w);
      while (r->Owner != nullptr) r = r->Owner;
      return r->Handle;
    }
    default: return nullptr;
  }
}

namespace {
bool EnumList(const std::vector<HWND>& handles, WNDENUMPROC proc, LPARAM data) {
  if (proc == nullptr) return false;
  for (HWND h : handles)
    if (IsWindow(h) && !proc(h, data)) return false;
  return true;
}
std::vector<HWND> HandlesOf(const std::vector<TWndRecord*>& list) {
  std::vector<HWND> out;
  out.reserve(list.size());
  for (TWndRecord* r : list) out.push_back(r->Handle);
  return out;
}
bool TextMatch(const String& text, const char* pattern) { return pattern == nullptr || SameText(text, pattern); }
bool ClassMatch(const TWndRecord& w, const char* cls) {
  if (cls == nullptr) return true;
  if (IS_INTRESOURCE(cls)) return w.Class->Atom == reinterpret_cast<uintptr_t>(cls);
  return SameText(w.Class->Name, cls);
}
}  // namespace

bool EnumWindows(WNDENUMPROC proc, LPARAM data) { return EnumList(HandlesOf(WinDesktop().Children), proc, data); }

bool EnumChildWindows(HWND parent, WNDENUMPROC proc, LPARAM data) {
  TWndRecord* p = parent == nullptr ? &WinDesktop() : WinFind(parent);
  if (p == nullptr) return false;
  std::vector<HWND> handles;
  for (TWndRecord* c : p->Children)
    WinWalk(*c, [&](TWndRecord& r) {
      handles.push_back(r.Handle);
      return true;
    });
  return EnumList(handles, proc, data);
}

bool EnumThreadWindows(uint32_t threadId, WNDENUMPROC proc, LPARAM data) {
  if (threadId != MainThreadID.load()) return false;
  return EnumWindows(proc, data);
}

HWND FindWindowEx(HWND parent, HWND childAfter, const char* className, const char* windowName) {
  TWndRecord* p = parent == nullptr ? &WinDesktop() : parent == HWND_MESSAGE ? &WinMessageRoot() : WinFind(parent);
  if (p == nullptr) return nullptr;
  bool started = childAfter == nullptr;
  for (TWndRecord* c : p->Children) {
    if (!started) {
      started = c->Handle == childAfter;
      continue;
    }
    if (c->Alive() && ClassMatch(*c, className) && TextMatch(c->Text, windowName)) return c->Handle;
  }
  return nullptr;
}

HWND FindWindow(const char* className, const char* windowName) {
  return FindWindowEx(nullptr, nullptr, className, windowName);
}

// ================================================================================
// Hit testing
// ================================================================================

bool WinRegionContains(const TWndRecord& w, TPoint screen) {
  if (!w.WindowRgn) return true;
  return w.WindowRgn->Contains(screen.X - w.WindowRect.Left, screen.Y - w.WindowRect.Top);
}

namespace {
TWinHit Descend(TWndRecord& w, TPoint pt) {
  const HWND self = w.Handle;
  if (PtInRect(w.ClientRect, pt)) {
    std::vector<HWND> children = HandlesOf(w.Children);
    for (HWND h : children) {
      TWndRecord* c = WinFind(h);
      if (c == nullptr || (c->Style & WS_VISIBLE) == 0) continue;
      if (!PtInRect(c->WindowRect, pt) || !WinRegionContains(*c, pt)) continue;
      if ((c->Style & WS_DISABLED) != 0) break;  // the parent takes the input
      TWinHit hit = Descend(*c, pt);
      if (hit.Window != nullptr) return hit;
    }
  }
  TWndRecord* again = WinFind(self);
  if (again == nullptr) return {};
  LRESULT code = WinCallProc(*again, WM_NCHITTEST, 0, MAKELPARAM(pt.X, pt.Y));
  if (code == HTTRANSPARENT || !IsWindow(self)) return {};
  return TWinHit{self, code};
}
}  // namespace

TWinHit WinHitTest(TPoint pt) {
  std::vector<HWND> tops = HandlesOf(WinDesktop().Children);
  for (HWND h : tops) {
    TWndRecord* top = WinFind(h);
    if (top == nullptr || (top->Style & WS_VISIBLE) == 0) continue;
    if ((top->ExStyle & (WS_EX_LAYERED | WS_EX_TRANSPARENT)) == (WS_EX_LAYERED | WS_EX_TRANSPARENT)) continue;
    if (!PtInRect(top->WindowRect, pt) || !WinRegionContains(*top, pt)) continue;
    if ((top->Style & WS_DISABLED) != 0) return TWinHit{h, HTERROR};
    TWinHit hit = Descend(*top, pt);
    if (hit.Window != nullptr) return hit;
  }
  return {};
}

HWND WindowFromPoint(TPoint pt) {
  WinAssertMainThread("WindowFromPoint");
  return WinHitTest(pt).Window;
}

HWND ChildWindowFromPointEx(HWND parent, TPoint pt, uint32_t flags) {
  TWndRecord* p = WinFind(parent);
  if (p == nullptr) return nullptr;
  TPoint s{pt.X + p->ClientRect.Left, pt.Y + p->ClientRect.Top};
  if (p->IsRoot()) s = pt;
  if (!p->IsRoot() && !PtInRect(p->ClientRect, s)) return nullptr;
  for (TWndRecord* c : p->Children) {
    if ((flags & CWP_SKIPINVISIBLE) != 0 && (c->Style & WS_VISIBLE) == 0) continue;
    if ((flags & CWP_SKIPDISABLED) != 0 && (c->Style & WS_DISABLED) != 0) continue;
    if ((flags & CWP_SKIPTRANSPARENT) != 0 && (c->ExStyle & WS_EX_TRANSPARENT) != 0) continue;
    if (PtInRect(c->WindowRect, s) && WinRegionContains(*c, s)) return c->Handle;
  }
  return parent;
}

HWND ChildWindowFromPoint(HWND parent, TPoint pt) { return ChildWindowFromPointEx(parent, pt, CWP_ALL); }

// ================================================================================
// Rectangles and coordinates
// ================================================================================

bool GetWindowRect(HWND hwnd, TRect* rect) {
  TWndRecord* w = WinFind(hwnd);
  if (w == nullptr || rect == nullptr) return false;
  *rect = w->WindowRect;
  return true;
}

bool GetClientRect(HWND hwnd, TRect* rect) {
  TWndRecord* w = WinFind(hwnd);
  if (w == nullptr || rect == nullptr) return false;
  *rect = TRect{0, 0, std::max(w->ClientRect.Width(), 0), std::max(w->ClientRect.Height(), 0)};
  return true;
}

bool ClientToScreen(HWND hwnd, TPoint* pt) {
  TWndRecord* w = WinFind(hwnd);
  if (w == nullptr || pt == nullptr) return false;
  pt->X += w->ClientRect.Left;
  pt->Y += w->ClientRect.Top;
  return true;
}

bool ScreenToClient(HWND hwnd, TPoint* pt) {
  TWndRecord* w = WinFind(hwnd);
  if (w == nullptr || pt == nullptr) return false;
  pt->X -= w->ClientRect.Left;
  pt->Y -= w->ClientRect.Top;
  return true;
}

int32_t MapWindowPoints(HWND from, HWND to, TPoint* points, uint32_t count) {
  TPoint a{0, 0}, b{0, 0};
  if (from != nullptr) {
    TWndRecord* w = WinFind(from);
    if (w == nullptr) return 0;
    if (!w->IsRoot()) a = w->ClientOrigin();
  }
  if (to != nullptr) {
    TWndRecord* w = WinFind(to);
    if (w == nullptr) return 0;
    if (!w->IsRoot()) b = w->ClientOrigin();
  }
  const int32_t dx = a.X - b.X, dy = a.Y - b.Y;
  for (uint32_t i = 0; points != nullptr && i < count; ++i) {
    points[i].X += dx;
    points[i].Y += dy;
  }
  return int32_t(MAKELONG(uint16_t(dx), uint16_t(dy)));
}

int32_t MapWindowPoints(HWND from, HWND to, TRect* rect) {
  if (rect == nullptr) return 0;
  TPoint p[2] = {{rect->Left, rect->Top}, {rect->Right, rect->Bottom}};
  int32_t r = MapWindowPoints(from, to, p, 2);
  *rect = TRect{p[0].X, p[0].Y, p[1].X, p[1].Y};
  return r;
}

// ================================================================================
// Text
// ================================================================================

bool SetWindowText(HWND hwnd, const char* text) {
  if (!IsWindow(hwnd)) return false;
  return SendMessage(hwnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text != nullptr ? text : "")) != 0;
}

int32_t GetWindowText(HWND hwnd, char* buffer, int32_t size) {
  if (buffer == nullptr || size <= 0) return 0;
  buffer[0] = 0;
  if (!IsWindow(hwnd)) return 0;
  return int32_t(SendMessage(hwnd, WM_GETTEXT, WPARAM(size), reinterpret_cast<LPARAM>(buffer)));
}

int32_t GetWindowTextLength(HWND hwnd) {
  if (!IsWindow(hwnd)) return 0;
  return int32_t(SendMessage(hwnd, WM_GETTEXTLENGTH, 0, 0));
}

String GetWindowTextString(HWND hwnd) {
  int32_t n = GetWindowTextLength(hwnd);
  if (n <= 0) return String();
  String s(size_t(n) + 1, '\0');
  int32_t got = GetWindowText(hwnd, s.data(), n + 1);
  s.resize(size_t(std::max(got, 0)));
  return s;
}

uint32_t GetWindowThreadProcessId(HWND hwnd, uint32_t* processId) {
  if (!IsWindow(hwnd)) return 0;
  if (processId != nullptr) *processId = uint32_t(getpid());
  return MainThreadID.load();
}

bool AttachThreadInput(uint32_t, uint32_t, bool) { return true; }

// ================================================================================
// Utility windows
// ================================================================================

HWND AllocateHWnd(TWndMethod method) {
  WinAssertMainThread("AllocateHWnd");
  WinEnsureInit();
  if (!FindClass(kUtilClass)) {
    WNDCLASS wc;
    wc.lpfnWndProc = UtilWindowProc;
    wc.lpszClassName = kUtilClass;
    RegisterClass(wc);
  }
  HWND h =
      CreateWindowEx(WS_EX_TOOLWINDOW, kUtilClass, "", WS_POPUP, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
  if (TWndRecord* w = WinFind(h)) w->Method = std::move(method);
  return h;
}

void DeallocateHWnd(HWND hwnd) {
  if (TWndRecord* w = WinFind(hwnd)) {
    w->Method = nullptr;
    DestroyWindow(hwnd);
  }
}

// ================================================================================
// Reset
// ================================================================================

void WinResetWindows() {
  TWinGlobals& g = G();
  WinEnsureInit();
  g.ForceDestroy = true;
  for (int pass = 0; pass < 4; ++pass) {
    for (TWndRecord* root : {g.Desktop.get(), g.MessageRoot.get()}) {
      std::vector<HWND> handles = HandlesOf(root->Children);
      for (HWND h : handles)
        if (TWndRecord* w = WinFind(h)) {
          w->DispatchDepth = 0;
          w->DestroyPending = false;
          DestroyWindow(h);
        }
    }
  }
  g.ForceDestroy = false;
  g.Pending.clear();
  g.DestroyNesting = 0;
  g.Cascade = 0;
  g.ForceClientSize = false;
  g.Desktop->WindowRect = g.Desktop->ClientRect = WinVirtualScreen();
}

void WinMonitorsChanged() {
  WinEnsureInit();
  G().Desktop->WindowRect = G().Desktop->ClientRect = WinVirtualScreen();
}

std::vector<HWND> WinTopLevelHandles() {
  TWinGlobals& g = G();
  std::vector<HWND> out;
  if (!g.Desktop) return out;
  std::lock_guard<std::mutex> lock(g.TableLock);
  for (auto& [id, rec] : g.Table)
    if (rec->Parent == g.Desktop.get() && !rec->Destroyed) out.push_back(rec->Handle);
  std::sort(out.begin(), out.end());
  return out;
}

TWinHooks& WinHooks() {
  static TWinHooks* hooks = new TWinHooks;
  return *hooks;
}

void WinResetState() {
  WinAssertMainThread("WinResetState");
  WinResetWindows();
  WinResetQueue();
  WinResetInput();
  WinResetCursors();
  WinResetMetrics();
  if (WinHooks().Reset) WinHooks().Reset();
}
