#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/gui/win_layer_testing.h"
#include "platform/gui/win_ole.h"

namespace {

// ---- Object model and data objects -----------------------------------------------------

TEST(WinOle, InitialisationCountsPerThread) {
  EXPECT_EQ(OleInitialize(nullptr), S_OK);
  EXPECT_EQ(OleInitialize(nullptr), S_FALSE);
  EXPECT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_FALSE);
  CoUninitialize();
  OleUninitialize();
  OleUninitialize();
  EXPECT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
  CoUninitialize();
}

std::vector<String> Names(HDROP drop) {
  std::vector<String> out;
  const uint32_t n = DragQueryFile(drop, 0xFFFFFFFFu, nullptr, 0);
  for (uint32_t i = 0; i < n; ++i) {
    const uint32_t len = DragQueryFile(drop, i, nullptr, 0);
    std::string name(len + 1, '\0');
    EXPECT_EQ(DragQueryFile(drop, i, name.data(), len + 1), len);
    name.resize(len);
    out.push_back(name);
  }
  return out;
}

HGLOBAL RawBlock(const std::vector<uint8_t>& bytes) {
  HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
  if (!bytes.empty()) std::memcpy(GlobalLock(h), bytes.data(), bytes.size());
  GlobalUnlock(h);
  return h;
}

std::vector<uint8_t> Header(uint32_t offset, int32_t x, int32_t y, bool nc, bool wide) {
  std::vector<uint8_t> b;
  auto put = [&b](uint32_t v) {
    for (int i = 0; i < 4; ++i) b.push_back(uint8_t(v >> (8 * i)));
  };
  put(offset);
  put(uint32_t(x));
  put(uint32_t(y));
  put(nc ? 1 : 0);
  put(wide ? 1 : 0);
  return b;
}

TEST(WinOle, FileListsInTheDropFilesLayout) {
  // U+4E00 has a zero low byte: a reader that takes wide names at odd
  // offsets or stops at a zero byte gets it wrong.
  const std::vector<String> paths = {"/tmp/\xE4\xB8\x80.txt", "/home/u/a b.png", "\xE4\xB8\x80"};
  HDROP drop = CreateDropFilesBlock(paths, TPoint{7, -3}, false);
  ASSERT_NE(drop, 0u);
  const uint8_t* p = static_cast<const uint8_t*>(GlobalLock(drop));
  DROPFILES head;
  std::memcpy(&head, p, sizeof head);
  EXPECT_EQ(head.pFiles, 20u);
  EXPECT_EQ(head.fWide, 1);
  EXPECT_EQ(p[20 + 10], 0x00);  // the U+4E00 after "/tmp/": low byte first, at an even offset
  EXPECT_EQ(p[20 + 11], 0x4E);
  const size_t size = GlobalSize(drop);
  EXPECT_EQ(p[size - 1], 0);  // the list ends with an empty name
  EXPECT_EQ(p[size - 2], 0);
  GlobalUnlock(drop);
  EXPECT_EQ(Names(drop), paths);
  char16_t wide[8];
  EXPECT_EQ(DragQueryFileW(drop, 2, wide, 8), 1u);
  EXPECT_EQ(wide[0], u'\u4E00');
  char small[8];
  EXPECT_EQ(DragQueryFile(drop, 0, small, 8), 5u);  // cut before the 3-byte character
  EXPECT_STREQ(small, "/tmp/");
  EXPECT_EQ(DragQueryFile(drop, 3, small, 8), 0u);
  TPoint pt;
  EXPECT_TRUE(DragQueryPoint(drop, &pt));
  EXPECT_EQ(pt, (TPoint{7, -3}));
  DragFinish(drop);
  EXPECT_EQ(GlobalSize(drop), 0u);
}

TEST(WinOle, MalformedDropFilesAreReadWithinTheBlock) {
  auto with = [](std::vector<uint8_t> head, const std::vector<uint8_t>& tail) {
    head.insert(head.end(), tail.begin(), tail.end());
    return head;
  };
  const struct {
    const char* Name;
    std::vector<uint8_t> Bytes;
    std::vector<String> Files;
    bool InClient;
  } cases[] = {
      {"8-bit names", with(Header(20, 0, 0, false, false), {'a', 0, 'b', 'c', 0, 0}), {"a", "bc"}, true},
      {"wide at an odd offset",
       with(Header(21, 0, 0, true, true), {0xFF, 'x', 0, 0, 0, 0, 0x4E, 0, 0, 0, 0}),
       {"x", "\xE4\xB8\x80"},
       false},
      {"no final empty name", with(Header(20, 0, 0, false, false), {'a', 0, 'b'}), {"a", "b"}, true},
      {"offset past the end", with(Header(400, 0, 0, false, false), {'a', 0}), {}, true},
      {"wide, odd byte left", with(Header(20, 0, 0, false, true), {'q', 0, 'r'}), {"q"}, true},
      {"empty list", with(Header(20, 0, 0, false, true), {0, 0}), {}, true},
  };
  for (const auto& c : cases) {
    HDROP drop = RawBlock(c.Bytes);
    EXPECT_EQ(Names(drop), c.Files) << c.Name;
    EXPECT_EQ(DragQueryPoint(drop, nullptr), c.InClient) << c.Name;
    DragFinish(drop);
  }
  // Too short for a header, or not a block at all.
  HDROP tiny = RawBlock({20, 0, 0});
  EXPECT_EQ(DragQueryFile(tiny, 0xFFFFFFFFu, nullptr, 0), 0u);
  EXPECT_FALSE(DragQueryPoint(tiny, nullptr));
  DragFinish(tiny);
  EXPECT_EQ(DragQueryFile(HDROP(12345), 0xFFFFFFFFu, nullptr, 0), 0u);
}

TEST(WinOle, FileListDataObject) {
  IDataObject* data = CreateFileListDataObject({"/a", "/b"}, DROPEFFECT_MOVE);
  ASSERT_NE(data, nullptr);
  FORMATETC f;
  f.cfFormat = CF_HDROP;
  EXPECT_EQ(data->QueryGetData(&f), S_OK);
  STGMEDIUM m;
  ASSERT_EQ(data->GetData(&f, &m), S_OK);
  EXPECT_EQ(m.tymed, TYMED_HGLOBAL);
  EXPECT_EQ(Names(m.hGlobal), (std::vector<String>{"/a", "/b"}));
  ReleaseStgMedium(&m);
  EXPECT_EQ(m.hGlobal, 0u);
  f.cfFormat = static_cast<CLIPFORMAT>(RegisterClipboardFormat(CFSTR_PREFERREDDROPEFFECT));
  ASSERT_EQ(data->GetData(&f, &m), S_OK);
  uint32_t effect = 0;
  std::memcpy(&effect, GlobalLock(m.hGlobal), 4);
  GlobalUnlock(m.hGlobal);
  EXPECT_EQ(effect, DROPEFFECT_MOVE);
  ReleaseStgMedium(&m);
  f.cfFormat = CF_TEXT;
  EXPECT_EQ(data->QueryGetData(&f), DV_E_FORMATETC);
  EXPECT_EQ(data->GetData(&f, &m), DV_E_FORMATETC);
  f.cfFormat = CF_HDROP;
  f.tymed = 0;
  EXPECT_EQ(data->QueryGetData(&f), DV_E_TYMED);
  // The formats in the order they were set; SetData adds one.
  FORMATETC text;
  text.cfFormat = CF_TEXT;
  STGMEDIUM put;
  put.tymed = TYMED_HGLOBAL;
  put.hGlobal = RawBlock({'h', 'i', 0});
  EXPECT_EQ(data->SetData(&text, &put, true), S_OK);
  EXPECT_EQ(put.hGlobal, 0u);  // taken
  IEnumFORMATETC* e = nullptr;
  ASSERT_EQ(data->EnumFormatEtc(DATADIR_GET, &e), S_OK);
  FORMATETC list[4];
  uint32_t fetched = 0;
  EXPECT_EQ(e->Next(4, list, &fetched), S_FALSE);
  ASSERT_EQ(fetched, 3u);
  EXPECT_EQ(list[0].cfFormat, CF_HDROP);
  EXPECT_EQ(list[2].cfFormat, CF_TEXT);
  e->Reset();
  EXPECT_EQ(e->Skip(2), S_OK);
  EXPECT_EQ(e->Next(1, list, &fetched), S_OK);
  EXPECT_EQ(list[0].cfFormat, CF_TEXT);
  e->Release();
  void* unk = nullptr;
  EXPECT_EQ(data->QueryInterface(IID_IDropTarget, &unk), E_NOINTERFACE);
  ASSERT_EQ(data->QueryInterface(IID_IUnknown, &unk), S_OK);
  EXPECT_EQ(static_cast<IUnknown*>(unk)->Release(), 1u);
  EXPECT_EQ(data->Release(), 0u);
}

// ---- Drag and drop -------------------------------------------------------------------

// A target choosing its effect from the keys like a file target: Ctrl
// copies, Shift (or nothing) moves; it records every call.
class TRecordingTarget final : public TComObject<IDropTarget, IID_IDropTarget> {
 public:
  HRESULT DragEnter(IDataObject* data, uint32_t keys, POINTL pt, uint32_t* effect) override {
    Calls.push_back("enter " + Keys(keys));
    Points.push_back(pt);
    FORMATETC f;
    f.cfFormat = CF_HDROP;
    if (data->QueryGetData(&f) != S_OK) {
      *effect = DROPEFFECT_NONE;
      return E_FAIL;
    }
    *effect = Choose(keys, *effect);
    return S_OK;
  }
  HRESULT DragOver(uint32_t keys, POINTL pt, uint32_t* effect) override {
    Calls.push_back("over " + Keys(keys));
    Points.push_back(pt);
    *effect = Choose(keys, *effect);
    return S_OK;
  }
  HRESULT DragLeave() override {
    Calls.push_back("leave");
    return S_OK;
  }
  HRESULT Drop(IDataObject* data, uint32_t keys, POINTL pt, uint32_t* effect) override {
    Calls.push_back("drop " + Keys(keys));
    Points.push_back(pt);
    FORMATETC f;
    f.cfFormat = CF_HDROP;
    STGMEDIUM m;
    if (data->GetData(&f, &m) == S_OK) {
      Dropped = Names(m.hGlobal);
      DragQueryPoint(m.hGlobal, &DropPoint);
      ReleaseStgMedium(&m);
    }
    *effect = Choose(keys, *effect);
    return S_OK;
  }

  static String Keys(uint32_t k) {
    String s;
    const std::pair<uint32_t, const char*> names[] = {{MK_LBUTTON, "L"}, {MK_RBUTTON, "R"}, {MK_SHIFT, "S"},
                                                      {MK_CONTROL, "C"}, {MK_ALT, "A"},     {MK_MBUTTON, "M"}};
    for (const auto& [bit, name] : names)
      if (k & bit) s += name;
    return s.empty() ? "-" : s;
  }
  uint32_t Choose(uint32_t keys, uint32_t allowed) const {
    if (Refuse) return DROPEFFECT_NONE;
    const uint32_t want = (keys & MK_CONTROL) ? DROPEFFECT_COPY : DROPEFFECT_MOVE;
    return (allowed & want) ? want : (allowed & DROPEFFECT_COPY);
  }

  std::vector<String> Calls;
  std::vector<POINTL> Points;
  std::vector<String> Dropped;
  TPoint DropPoint;
  bool Refuse = false;
};

// Drops when the button that started the drag is up, cancels on Escape or a
// second button.
class TTestSource final : public IDropSource {
 public:
  explicit TTestSource(uint32_t button) : FButton(button) {}
  HRESULT QueryInterface(REFIID, void** object) override {
    *object = nullptr;
    return E_NOINTERFACE;
  }
  uint32_t AddRef() override { return 2; }
  uint32_t Release() override { return 1; }
  HRESULT QueryContinueDrag(bool escape, uint32_t keys) override {
    if (escape || (keys & (FButton ^ (MK_LBUTTON | MK_RBUTTON | MK_MBUTTON)))) return DRAGDROP_S_CANCEL;
    return (keys & FButton) ? S_OK : DRAGDROP_S_DROP;
  }
  HRESULT GiveFeedback(uint32_t effect) override {
    Feedback.push_back(effect);
    return DRAGDROP_S_USEDEFAULTCURSORS;
  }
  std::vector<uint32_t> Feedback;

 private:
  uint32_t FButton;
};

struct TDragCase {
  const char* Name;
  TRawButton Button;
  std::vector<uint32_t> HeldKeys;  // pressed before the drag, released after
  TPoint DropAt;
  bool Escape;
  HRESULT Result;
  uint32_t Effect;
  std::vector<String> Calls;
};

TEST(WinOle, DoDragDropRoutesToTheRegisteredTargetWithEachKeyState) {
  const TDragCase cases[] = {
      {"left",
       TRawButton::Left,
       {},
       {265, 65},
       false,
       DRAGDROP_S_DROP,
       DROPEFFECT_MOVE,
       {"enter L", "over L", "drop -"}},
      {"ctrl",
       TRawButton::Left,
       {VK_CONTROL},
       {265, 65},
       false,
       DRAGDROP_S_DROP,
       DROPEFFECT_COPY,
       {"enter LC", "over LC", "drop C"}},
      {"shift",
       TRawButton::Left,
       {VK_SHIFT},
       {265, 65},
       false,
       DRAGDROP_S_DROP,
       DROPEFFECT_MOVE,
       {"enter LS", "over LS", "drop S"}},
      {"alt",
       TRawButton::Left,
       {VK_MENU},
       {265, 65},
       false,
       DRAGDROP_S_DROP,
       DROPEFFECT_MOVE,
       {"enter LA", "over LA", "drop A"}},
      {"ctrl shift",
       TRawButton::Left,
       {VK_CONTROL, VK_SHIFT},
       {265, 65},
       false,
       DRAGDROP_S_DROP,
       DROPEFFECT_COPY,
       {"enter LSC", "over LSC", "drop SC"}},
      {"right",
       TRawButton::Right,
       {},
       {265, 65},
       false,
       DRAGDROP_S_DROP,
       DROPEFFECT_MOVE,
       {"enter R", "over R", "drop -"}},
      {"escape",
       TRawButton::Left,
       {},
       {265, 65},
       true,
       DRAGDROP_S_CANCEL,
       DROPEFFECT_NONE,
       {"enter L", "over L", "leave"}},
      {"dropped outside",
       TRawButton::Left,
       {},
       {600, 60},
       false,
       DRAGDROP_S_DROP,
       DROPEFFECT_NONE,
       {"enter L", "over L", "leave"}},
  };
  for (const auto& c : cases) {
    TTestScene s;
    THeadlessBackend& b = s.Backend();
    HWND source = s.Make(WS_POPUP | WS_VISIBLE, 0, Bounds(0, 0, 100, 100));
    HWND target = s.Make(WS_POPUP | WS_VISIBLE, 0, Bounds(200, 0, 100, 100));
    HWND inner = s.Make(WS_CHILD | WS_VISIBLE, 0, Bounds(40, 40, 40, 40), target);
    auto* t = new TRecordingTarget;
    ASSERT_EQ(RegisterDragDrop(target, t), S_OK);
    const uint32_t button = c.Button == TRawButton::Left ? MK_LBUTTON : MK_RBUTTON;
    TTestSource src(button);
    HRESULT result = E_FAIL;
    uint32_t effect = 0xFF;
    s.On(source, [&](HWND, uint32_t msg, WPARAM, LPARAM, LRESULT& r) {
      if (msg != WM_LBUTTONDOWN && msg != WM_RBUTTONDOWN) return false;
      IDataObject* data = CreateFileListDataObject({"/x"});
      result = DoDragDrop(data, &src, DROPEFFECT_COPY | DROPEFFECT_MOVE, &effect);
      data->Release();
      r = 0;
      return true;
    });
    s.Pump();
    for (uint32_t vk : c.HeldKeys) b.KeyDown(vk);
    b.MouseDown(50, 50, c.Button);
    b.QueueIdleAction([&b] { b.MouseMove(250, 50); });  // over the target's own area
    b.QueueIdleAction([&b] { b.MouseMove(265, 65); });  // over its child: still the target
    const TPoint at = c.DropAt;
    if (c.DropAt.X != 265) b.QueueIdleAction([&b, at] { b.MouseMove(at.X, at.Y); });
    if (c.Escape)
      b.QueueIdleAction([&b] { b.KeyDown(VK_ESCAPE); });
    else
      b.QueueIdleAction([&b, at, c] { b.MouseUp(at.X, at.Y, c.Button); });
    s.Pump();
    EXPECT_EQ(b.PendingIdleActions(), 0u) << c.Name;
    EXPECT_EQ(result, c.Result) << c.Name;
    EXPECT_EQ(effect, c.Effect) << c.Name;
    // The first move enters, the second is over the child (still the
    // target); the pointer is in screen coordinates.
    std::vector<String> calls = t->Calls;
    EXPECT_EQ(calls, c.Calls) << c.Name;
    if (!t->Points.empty()) {
      EXPECT_EQ(t->Points[0], (POINTL{250, 50})) << c.Name;
    }
    if (c.Effect != DROPEFFECT_NONE) {
      EXPECT_EQ(t->Dropped, std::vector<String>{"/x"});
    }
    EXPECT_FALSE(src.Feedback.empty());
    EXPECT_EQ(GetCapture(), nullptr);
    if (c.Escape) b.MouseUp(at.X, at.Y, c.Button);
    for (uint32_t vk : c.HeldKeys) b.KeyUp(vk);
    s.Pump();
    (void)inner;
    EXPECT_EQ(RevokeDragDrop(target), S_OK);
    EXPECT_EQ(t->Release(), 0u);
  }
}

TEST(WinOle, ExternalFileDropReachesTheTargetUnderThePoint) {
  TTestScene s;
  HWND plain = s.Make(WS_POPUP | WS_VISIBLE, 0, Bounds(0, 0, 100, 100));
  HWND target = s.Make(WS_POPUP | WS_VISIBLE, 0, Bounds(200, 0, 100, 100));
  auto* t = new TRecordingTarget;
  RegisterDragDrop(target, t);
  const std::vector<String> files = {"/home/u/\xE4\xB8\x80.jpg", "/home/u/b.png"};
  EXPECT_TRUE(s.Backend().DropFiles(files, 230, 40, MK_CONTROL));
  EXPECT_EQ(t->Calls, (std::vector<String>{"enter C", "over C", "drop C"}));
  EXPECT_EQ(t->Dropped, files);
  EXPECT_EQ(t->DropPoint, (TPoint{30, 40}));  // client coordinates of the target
  // Nothing registered there, or the target refuses: not taken.
  EXPECT_FALSE(s.Backend().DropFiles(files, 50, 50, 0));
  t->Calls.clear();
  t->Refuse = true;
  EXPECT_FALSE(s.Backend().DropFiles(files, 230, 40, 0));
  EXPECT_EQ(t->Calls, (std::vector<String>{"enter -", "over -", "leave"}));
  DestroyWindow(target);
  EXPECT_EQ(t->Release(), 0u);
  (void)plain;
}

TEST(WinOle, RegistrationHoldsAReferenceUntilRevokedOrDestroyed) {
  TTestScene s;
  HWND a = s.Make(WS_POPUP, 0, Bounds(0, 0, 10, 10));
  auto* t = new TRecordingTarget;  // one reference, ours
  EXPECT_EQ(RegisterDragDrop(a, t), S_OK);
  EXPECT_EQ(RegisterDragDrop(a, t), DRAGDROP_E_ALREADYREGISTERED);
  EXPECT_EQ(RegisterDragDrop(HWND(uintptr_t(0x7777777)), t), DRAGDROP_E_INVALIDHWND);
  EXPECT_EQ(t->AddRef(), 3u);
  t->Release();
  EXPECT_EQ(RevokeDragDrop(a), S_OK);
  EXPECT_EQ(RevokeDragDrop(a), DRAGDROP_E_NOTREGISTERED);
  EXPECT_EQ(RegisterDragDrop(a, t), S_OK);
  DestroyWindow(a);
  EXPECT_EQ(t->AddRef(), 2u);  // the window's reference went with it
  t->Release();
  EXPECT_EQ(t->Release(), 0u);
}

}  // namespace
