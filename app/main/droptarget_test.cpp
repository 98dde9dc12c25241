#include "app/main/droptarget.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

#include "platform/gui/win_scrollbars.h"
#include "platform/rtl/globalmem.h"
#include "platform/vcl/comctrls_treeview.h"
#include "platform/vcl/vcl_testing.h"

namespace {

struct TDropRecord {
  String Event;
  TShiftState Shift;
  TPoint Point;
  uint32_t Effect = 0;
  std::vector<String> Files;
};

class DropTarget : public TVclTest {
 protected:
  DropTarget() : Form(std::make_unique<TForm>(nullptr)) {
    Form->SetBounds(0, 0, 420, 300);
    Tree = new TTreeView(Form.get());
    Tree->SetParent(Form.get());
    Tree->SetBounds(10, 10, 200, 150);
    Other = new TTreeView(Form.get());
    Other->SetParent(Form.get());
    Other->SetBounds(220, 10, 180, 150);
    Target = new TDropFileTarget(Form.get());
    Target->SetDragtypes(TDragTypes{dtCopy, dtMove});
    Target->OnEnter = Recorder("enter");
    Target->OnDragOver = Recorder("over");
    Target->OnDrop = Recorder("drop");
    Target->OnLeave = [this](TObject*) { Events.push_back(TDropRecord{"leave", {}, {}, 0, {}}); };
    Form->Show();
    Pump();
  }

  TDropTargetEvent Recorder(const String& Name) {
    return [this, Name](TObject*, TShiftState Shift, TPoint Point, uint32_t& Effect) {
      std::vector<String> files;
      for (int32_t i = 0; i < Target->Files()->Count(); ++i) files.push_back(Target->Files()->Strings(i));
      Events.push_back(TDropRecord{Name, Shift, Point, Effect, files});
    };
  }

  std::vector<String> EventNames() const {
    std::vector<String> out;
    for (const TDropRecord& r : Events) out.push_back(r.Event);
    return out;
  }

  static POINTL ScreenOf(TControl* Control, int32_t X, int32_t Y) {
    const TPoint p = Control->ClientToScreen(TPoint{X, Y});
    return POINTL{p.X, p.Y};
  }

  std::unique_ptr<TForm> Form;
  TTreeView* Tree;
  TTreeView* Other;
  TDropFileTarget* Target;
  std::vector<TDropRecord> Events;
};

// A data object holding Block as its file list (the object takes the block).
IDataObject* FileListOf(const std::vector<uint8_t>& Block) {
  HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE, Block.size());
  if (!Block.empty()) std::memcpy(GlobalLock(h), Block.data(), Block.size());
  GlobalUnlock(h);
  IDataObject* data = CreateDataObject();
  FORMATETC f;
  f.cfFormat = CF_HDROP;
  STGMEDIUM m;
  m.tymed = TYMED_HGLOBAL;
  m.hGlobal = h;
  EXPECT_EQ(data->SetData(&f, &m, true), S_OK);
  return data;
}

IDataObject* TextOnly() {
  IDataObject* data = CreateDataObject();
  const char text[] = "just text";
  HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE, sizeof text);
  std::memcpy(GlobalLock(h), text, sizeof text);
  GlobalUnlock(h);
  FORMATETC f;
  f.cfFormat = CF_TEXT;
  STGMEDIUM m;
  m.tymed = TYMED_HGLOBAL;
  m.hGlobal = h;
  EXPECT_EQ(data->SetData(&f, &m, true), S_OK);
  return data;
}

// A DROPFILES header followed by Names (bytes as given).
std::vector<uint8_t> Block(uint32_t Offset, bool Wide, const std::vector<uint8_t>& Names) {
  std::vector<uint8_t> b;
  b.reserve(20 + Names.size());
  for (int i = 0; i < 20; ++i) b.push_back(i < 4 ? uint8_t(Offset >> (8 * i)) : i == 16 && Wide ? 1 : 0);
  for (uint8_t c : Names) b.push_back(c);
  return b;
}

std::vector<uint8_t> Narrow(const std::string& Names) { return std::vector<uint8_t>(Names.begin(), Names.end()); }

std::vector<uint8_t> Wide(const std::u16string& Names) {
  std::vector<uint8_t> b;
  for (char16_t c : Names) {
    b.push_back(uint8_t(c & 0xFF));
    b.push_back(uint8_t(c >> 8));
  }
  return b;
}

// Drops straight away on the target under the pointer.
class TDropAtOnce : public TComObject<IDropSource, IID_IDropSource> {
 public:
  HRESULT QueryContinueDrag(bool, uint32_t) override { return DRAGDROP_S_DROP; }
  HRESULT GiveFeedback(uint32_t) override { return DRAGDROP_S_USEDEFAULTCURSORS; }
};

TEST_F(DropTarget, DropEffectFromKeysAndDragtypes) {
  const uint32_t C = DROPEFFECT_COPY, M = DROPEFFECT_MOVE, L = DROPEFFECT_LINK, S = DROPEFFECT_SCROLL;
  const TShiftState none, shift{ssShift}, ctrl{ssCtrl}, both{ssShift, ssCtrl}, alt{ssAlt}, altShift{ssAlt, ssShift};
  struct TCase {
    TDragTypes Types;
    TShiftState Keys;
    uint32_t Offered;
    uint32_t Effect;
  };
  const TDragTypes cm{dtCopy, dtMove}, all{dtCopy, dtMove, dtLink};
  const TCase cases[] = {
      {cm, shift, C | M, M},
      {cm, both, C | M | L, C},  // link offered but not allowed
      {all, both, C | M | L, L},
      {all, both, C | M, C},  // link allowed but not offered
      {cm, ctrl, C | M, C},
      {cm, none, C | M, C},
      {cm, alt, C | M, C},  // Alt does not count
      {cm, altShift, C | M, M},
      {cm, shift, C, C},
      {TDragTypes{dtMove}, none, C | M, M},
      {TDragTypes{dtLink}, none, C | M | L, L},
      {TDragTypes{dtCopy}, none, M | L, 0},
      {TDragTypes{}, none, C | M | L, 0},
      {cm, none, C | M | S, C | S},  // the scroll bit stays
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(testing::Message() << "offered " << c.Offered << " expected " << c.Effect);
    Target->SetDragtypes(c.Types);
    EXPECT_EQ(Target->GetDropEffect(c.Keys, TPoint{}, c.Offered), c.Effect);
  }

  // The handler decides, from the offered effects the types allow.
  uint32_t seen = 0;
  Target->SetDragtypes(cm);
  Target->OnGetDropEffect = [&](TObject*, TShiftState, TPoint, uint32_t& Effect) {
    seen = Effect;
    Effect = DROPEFFECT_LINK;
  };
  EXPECT_EQ(Target->GetDropEffect(shift, TPoint{}, C | M | L), L);
  EXPECT_EQ(seen, C | M);
}

TEST_F(DropTarget, TextOnlyDragIsRefusedWithoutEvents) {
  Target->Register(Tree);
  IDataObject* text = TextOnly();
  uint32_t effect = DROPEFFECT_COPY;
  EXPECT_EQ(Target->DragEnter(text, 0, ScreenOf(Tree, 50, 50), &effect), E_FAIL);
  EXPECT_EQ(effect, DROPEFFECT_NONE);
  effect = DROPEFFECT_COPY;
  EXPECT_EQ(Target->Drop(text, 0, ScreenOf(Tree, 50, 50), &effect), S_OK);
  EXPECT_EQ(effect, DROPEFFECT_NONE);

  // The same through the drag loop of the window system.
  const POINTL p = ScreenOf(Tree, 60, 60);
  H().MouseMove(p.x, p.y);
  Pump();
  H().MouseMove(p.x + 1, p.y);
  auto* source = new TDropAtOnce;
  effect = 0;
  EXPECT_EQ(DoDragDrop(text, source, DROPEFFECT_COPY | DROPEFFECT_MOVE, &effect), DRAGDROP_S_DROP);
  EXPECT_EQ(effect, DROPEFFECT_NONE);
  source->Release();
  text->Release();
  EXPECT_TRUE(Events.empty());
  EXPECT_EQ(Target->RefCount(), 2u) << "the data object is not kept";
}

TEST_F(DropTarget, ReferencesOfTheSystemNeverFreeAnOwnedTarget) {
  void* object = nullptr;
  EXPECT_EQ(Target->QueryInterface(IID_IDropTarget, &object), S_OK);
  EXPECT_EQ(object, static_cast<IDropTarget*>(Target));
  EXPECT_EQ(Target->QueryInterface(IID_IUnknown, &object), S_OK);
  EXPECT_EQ(object, static_cast<IDropTarget*>(Target));
  EXPECT_EQ(Target->QueryInterface(IID_IDataObject, &object), E_NOINTERFACE);
  EXPECT_EQ(object, nullptr);
  EXPECT_EQ(Target->RefCount(), 3u);
  static_cast<IDropTarget*>(Target)->Release();
  static_cast<IDropTarget*>(Target)->Release();
  EXPECT_EQ(Target->RefCount(), 1u) << "the target's own reference stays";

  // Without an owner, the last release frees it (ASan sees a leak otherwise).
  auto* loose = new TDropFileTarget(nullptr);
  loose->Register(Tree);
  EXPECT_EQ(loose->Release(), 1u);
  delete Tree;  // its window's registration goes with it
  Tree = nullptr;
}

TEST_F(DropTarget, RegisterTwiceIsANoOpAndAnotherControlMovesTheBinding) {
  EXPECT_EQ(Target->RefCount(), 1u);
  Target->Register(Tree);
  Target->Register(Tree);
  EXPECT_EQ(Target->RefCount(), 2u) << "registered with the window system once";
  EXPECT_TRUE(Target->Registered());
  EXPECT_EQ(RegisterDragDrop(Tree->Handle(), Target), DRAGDROP_E_ALREADYREGISTERED);

  const TPoint t = Tree->ClientToScreen(TPoint{40, 40}), o = Other->ClientToScreen(TPoint{40, 40});
  Target->Register(Other);
  EXPECT_EQ(Target->RefCount(), 2u);
  EXPECT_FALSE(H().DropFiles({"/a.jpg"}, t.X, t.Y)) << "the first control no longer takes drops";
  EXPECT_TRUE(H().DropFiles({"/a.jpg"}, o.X, o.Y));

  Target->Revoke();
  EXPECT_FALSE(Target->Registered());
  EXPECT_EQ(Target->Control(), nullptr);
  EXPECT_EQ(Target->RefCount(), 1u);
  EXPECT_FALSE(H().DropFiles({"/a.jpg"}, o.X, o.Y));

  // A bound control that is destroyed takes the binding with it.
  Target->Register(Other);
  delete Other;
  EXPECT_EQ(Target->Control(), nullptr);
  EXPECT_EQ(Target->RefCount(), 1u);
}

TEST_F(DropTarget, InjectedDropOfTwoPathsReachesOnDropInOrder) {
  Target->Register(Tree);
  const TPoint s = Tree->ClientToScreen(TPoint{30, 40});
  const std::vector<String> paths{"/photos/b second.jpg", "/photos/a first.png"};
  EXPECT_TRUE(H().DropFiles(paths, s.X, s.Y, MK_SHIFT));
  EXPECT_EQ(EventNames(), (std::vector<String>{"enter", "over", "drop"}));
  const TDropRecord& drop = Events.back();
  EXPECT_EQ(drop.Files, paths);
  EXPECT_EQ(drop.Effect, DROPEFFECT_MOVE);
  EXPECT_EQ(drop.Point, (TPoint{30, 40}));
  EXPECT_TRUE(drop.Shift.Contains(ssShift));
  EXPECT_TRUE(Events[0].Files.empty()) << "read at the drop only";
  EXPECT_EQ(Target->Files()->Count(), 0) << "cleared after the drop";

  // Read at the entry when asked.
  Events.clear();
  Target->SetGetDataOnEnter(true);
  EXPECT_TRUE(H().DropFiles(paths, s.X, s.Y));
  ASSERT_EQ(Events.size(), 3u);
  EXPECT_EQ(Events[0].Files, paths);
  EXPECT_EQ(Events[2].Files, paths);
  EXPECT_EQ(Events[2].Effect, DROPEFFECT_COPY);
}

TEST_F(DropTarget, UnreadableDataGivesNoDrop) {
  Target->Register(Tree);
  for (bool onEnter : {false, true}) {
    SCOPED_TRACE(onEnter);
    Events.clear();
    Target->SetGetDataOnEnter(onEnter);
    IDataObject* empty = FileListOf(Block(20, true, Wide(std::u16string(1, u'\0'))));
    uint32_t effect = DROPEFFECT_COPY;
    EXPECT_EQ(Target->DragEnter(empty, 0, ScreenOf(Tree, 20, 20), &effect), S_OK);
    EXPECT_EQ(effect, DROPEFFECT_COPY);
    effect = DROPEFFECT_COPY;
    EXPECT_EQ(Target->Drop(empty, 0, ScreenOf(Tree, 20, 20), &effect), S_OK);
    EXPECT_EQ(effect, DROPEFFECT_NONE);
    EXPECT_EQ(EventNames(), std::vector<String>{"enter"});
    empty->Release();
  }
}

TEST_F(DropTarget, DropFilesBlocksReadThroughGetData) {
  const std::u16string cjk = u"\u4E00 one.jpg";  // first unit's low byte is 0
  struct TCase {
    const char* Name;
    std::vector<uint8_t> Block;
    std::vector<String> Files;
  };
  const TCase cases[] = {
      {"8-bit", Block(20, false, Narrow(std::string("/a/b.jpg\0/c d.png\0\0", 20))), {"/a/b.jpg", "/c d.png"}},
      {"8-bit UTF-8", Block(20, false, Narrow(std::string("/f\xC3\xA9te.jpg\0\0", 13))), {"/f\xC3\xA9te.jpg"}},
      {"UTF-16 from U+4E00",
       Block(20, true, Wide(cjk + u'\0' + u"/x" + u'\0' + u'\0')),
       {"\xE4\xB8\x80 one.jpg", "/x"}},
      {"offset past the block", Block(4000, true, Wide(u"/x\0\0")), {}},
      {"offset at the end", Block(24, false, Narrow("/x")), {}},
      {"8-bit without the final terminator", Block(20, false, Narrow(std::string("/a\0/bc", 6))), {"/a", "/bc"}},
      {"UTF-16 without the final terminator", Block(20, true, Wide(std::u16string(u"/a\0/bc", 6))), {"/a", "/bc"}},
      {"UTF-16 cut inside a unit", Block(20, true, {'/', 0, 'a', 0, 0, 0, 'b'}), {"/a"}},
      {"empty list", Block(20, true, {0, 0}), {}},
      {"header only", Block(20, false, {}), {}},
      {"short header", {20, 0, 0}, {}},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    IDataObject* data = FileListOf(c.Block);
    uint32_t effect = DROPEFFECT_COPY;
    ASSERT_EQ(Target->DragEnter(data, 0, POINTL{}, &effect), S_OK);
    EXPECT_EQ(Target->GetData(), !c.Files.empty());
    std::vector<String> files;
    for (int32_t i = 0; i < Target->Files()->Count(); ++i) files.push_back(Target->Files()->Strings(i));
    EXPECT_EQ(files, c.Files);
    Target->DragLeave();
    EXPECT_EQ(Target->Files()->Count(), 0);
    data->Release();
  }
}

TEST_F(DropTarget, ScrollTimerScrollsNearTheEdges) {
  for (int i = 0; i < 60; ++i) Tree->Items()->Add(nullptr, "node " + std::to_string(i));
  Target->Register(Tree);
  Pump();
  ASSERT_NE(GetWindowLong(Tree->Handle(), GWL_STYLE) & WS_VSCROLL, 0);
  Tree->SetTopItem(Tree->Items()->Item(20));
  Pump();
  const int32_t start = GetScrollPos(Tree->Handle(), SB_VERT);
  ASSERT_GT(start, 0);

  IDataObject* data = CreateFileListDataObject({"/a.jpg"});
  const uint32_t offer = DROPEFFECT_COPY | DROPEFFECT_SCROLL;
  uint32_t effect = offer;
  ASSERT_EQ(Target->DragEnter(data, 0, ScreenOf(Tree, 60, 70), &effect), S_OK);
  const int32_t h = Tree->ClientHeight();
  struct TStep {
    int32_t Y;
    uint32_t Offer;
    int32_t Moved;  // scroll position change after 100 ms
  };
  const TStep steps[] = {
      {5, offer, -1},               // near the top
      {6, offer, -1},               // still there
      {h / 2, offer, 0},            // the middle: running, nothing to do
      {h - 4, offer, 1},            // near the bottom
      {h - 5, DROPEFFECT_COPY, 0},  // no scroll bit: stopped
  };
  for (const TStep& s : steps) {
    SCOPED_TRACE(s.Y);
    effect = s.Offer;
    Target->DragOver(0, ScreenOf(Tree, 60, s.Y), &effect);
    EXPECT_EQ(Target->Scrolling(), (s.Offer & DROPEFFECT_SCROLL) != 0);
    const int32_t before = GetScrollPos(Tree->Handle(), SB_VERT);
    H().AdvanceClock(99);
    EXPECT_EQ(GetScrollPos(Tree->Handle(), SB_VERT), before) << "not before 100 ms";
    H().AdvanceClock(1);
    EXPECT_EQ(GetScrollPos(Tree->Handle(), SB_VERT), before + s.Moved);
  }
  Target->DragLeave();
  EXPECT_FALSE(Target->Scrolling());
  EXPECT_EQ(EventNames(), (std::vector<String>{"enter", "over", "over", "over", "over", "over", "leave"}));
  data->Release();
}

}  // namespace
