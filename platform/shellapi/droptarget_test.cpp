#include <sys/stat.h>

#include <cstdlib>

#include "platform/gui/headless.h"
#include "platform/gui/win_ole.h"
#include "platform/shellapi/shell_testing.h"
#include "platform/shellapi/shellapi.h"

using namespace shelltest;

namespace {

ComPtr<IDropTarget> TargetOf(const String& dir) {
  TFolderItem fi = FolderItem(dir);
  ComPtr<IDropTarget> t;
  PCUITEMID_CHILD items[] = {fi.Child.P};
  if (fi.Folder)
    fi.Folder->GetUIObjectOf(nullptr, 1, items, IID_IDropTarget, nullptr,
                             reinterpret_cast<void**>(t.ReleaseAndGetAddressOf()));
  return t;
}

// The effect the target offers for the keys and allowed effects.
uint32_t Offer(IDropTarget* t, IDataObject* data, uint32_t keys, uint32_t allowed) {
  uint32_t effect = allowed;
  t->DragEnter(data, keys, POINTL{10, 10}, &effect);
  uint32_t over = allowed;
  t->DragOver(keys, POINTL{10, 10}, &over);
  EXPECT_EQ(over, effect);
  t->DragLeave();
  return effect;
}

// A folder on another file system, when one can be had.
String OtherFileSystemDir() {
  char templ[] = "/dev/shm/shelltest-XXXXXX";
  if (!mkdtemp(templ)) return String();
  struct stat a, b;
  if (::stat(templ, &a) != 0 || ::stat(std::getenv("HOME"), &b) != 0 || a.st_dev == b.st_dev) {
    ::rmdir(templ);
    return String();
  }
  return templ;
}

const uint32_t kAll = DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK;

}  // namespace

TEST(ShellDrop, EffectByKeysFileSystemAllowedEffectsAndTarget) {
  const String base = NewDir("drop");
  const String src = base + "/src", dst = base + "/dst", ro = base + "/ro";
  ForceDirectories(src + "/folder/inner");
  ForceDirectories(dst);
  ForceDirectories(ro);
  WriteFile(src + "/a.jpg", "a");
  ::chmod(ro.c_str(), 0555);
  const String other = OtherFileSystemDir();
  struct TCase {
    const char* Name;
    String Target;
    std::vector<String> Files;
    uint32_t Keys;
    uint32_t Allowed;
    uint32_t Effect;
  };
  const std::vector<String> file = {src + "/a.jpg"};
  std::vector<TCase> cases = {
      {"plain, same fs", dst, file, MK_LBUTTON, kAll, DROPEFFECT_MOVE},
      {"ctrl", dst, file, MK_LBUTTON | MK_CONTROL, kAll, DROPEFFECT_COPY},
      {"shift", dst, file, MK_LBUTTON | MK_SHIFT, kAll, DROPEFFECT_MOVE},
      {"ctrl shift", dst, file, MK_LBUTTON | MK_CONTROL | MK_SHIFT, kAll, DROPEFFECT_LINK},
      {"alt", dst, file, MK_LBUTTON | MK_ALT, kAll, DROPEFFECT_LINK},
      {"move not allowed", dst, file, MK_LBUTTON, DROPEFFECT_COPY | DROPEFFECT_LINK, DROPEFFECT_COPY},
      {"only link", dst, file, MK_LBUTTON, DROPEFFECT_LINK, DROPEFFECT_LINK},
      {"link not allowed", dst, file, MK_LBUTTON | MK_ALT, DROPEFFECT_MOVE, DROPEFFECT_MOVE},
      {"nothing allowed", dst, file, MK_LBUTTON, DROPEFFECT_NONE, DROPEFFECT_NONE},
      {"read-only target", ro, file, MK_LBUTTON | MK_CONTROL, kAll, DROPEFFECT_NONE},
      {"onto itself", src + "/folder", {src + "/folder"}, MK_LBUTTON | MK_CONTROL, kAll, DROPEFFECT_NONE},
      {"below itself", src + "/folder/inner", {src + "/folder"}, MK_LBUTTON, kAll, DROPEFFECT_NONE},
      {"move into its own folder", src, file, MK_LBUTTON, kAll, DROPEFFECT_NONE},
      {"copy into its own folder", src, file, MK_LBUTTON | MK_CONTROL, kAll, DROPEFFECT_COPY},
  };
  if (!other.empty()) {
    cases.push_back({"plain, other fs", other, file, MK_LBUTTON, kAll, DROPEFFECT_COPY});
    cases.push_back({"shift, other fs", other, file, MK_LBUTTON | MK_SHIFT, kAll, DROPEFFECT_MOVE});
    cases.push_back({"copy not allowed, other fs", other, file, MK_LBUTTON, DROPEFFECT_MOVE, DROPEFFECT_MOVE});
  }
  for (const TCase& c : cases) {
    ComPtr<IDropTarget> t = TargetOf(c.Target);
    ASSERT_TRUE(t) << c.Name;
    IDataObject* data = CreateFileListDataObject(c.Files);
    EXPECT_EQ(Offer(t.Get(), data, c.Keys, c.Allowed), c.Effect) << c.Name;
    data->Release();
  }
  ::chmod(ro.c_str(), 0755);
  // A drop across file systems copies, and keeps the source.
  if (!other.empty()) {
    ComPtr<IDropTarget> t = TargetOf(other);
    IDataObject* data = CreateFileListDataObject(file);
    uint32_t effect = kAll;
    ASSERT_EQ(t->DragEnter(data, MK_LBUTTON, POINTL{}, &effect), S_OK);
    effect = kAll;
    ASSERT_EQ(t->Drop(data, 0, POINTL{}, &effect), S_OK);
    EXPECT_EQ(effect, DROPEFFECT_COPY);
    EXPECT_EQ(ReadFile(other + "/a.jpg"), "a");
    EXPECT_TRUE(Exists(src + "/a.jpg"));
    data->Release();
    ::unlink((other + "/a.jpg").c_str());
    ::rmdir(other.c_str());
  }
}

TEST(ShellDrop, DoDragDropMovesAndALinkDropNeverReplaces) {
  THeadlessSession session;
  THeadlessBackend& b = session.Backend();
  const String base = NewDir("dnd");
  const String src = base + "/src", dst = base + "/dst";
  ForceDirectories(src);
  ForceDirectories(dst);
  WriteFile(src + "/m.jpg", "moved");
  WNDCLASS wc;
  wc.lpfnWndProc = DefWindowProc;
  wc.lpszClassName = "ShellDropTestWindow";
  RegisterClass(wc);
  HWND sourceWnd = CreateWindowEx(0, "ShellDropTestWindow", "", WS_POPUP | WS_VISIBLE, 0, 0, 100, 100, nullptr, nullptr,
                                  nullptr, nullptr);
  HWND target = CreateWindowEx(0, "ShellDropTestWindow", "", WS_POPUP | WS_VISIBLE, 200, 0, 100, 100, nullptr, nullptr,
                               nullptr, nullptr);
  ComPtr<IDropTarget> t = TargetOf(dst);
  ASSERT_EQ(RegisterDragDrop(target, t.Get()), S_OK);

  // The source drops once the left button is up.
  struct TSource final : IDropSource {
    HRESULT QueryInterface(REFIID, void** o) override {
      *o = nullptr;
      return E_NOINTERFACE;
    }
    uint32_t AddRef() override { return 2; }
    uint32_t Release() override { return 1; }
    HRESULT QueryContinueDrag(bool escape, uint32_t keys) override {
      if (escape) return DRAGDROP_S_CANCEL;
      return (keys & (MK_LBUTTON | MK_RBUTTON)) ? S_OK : DRAGDROP_S_DROP;
    }
    HRESULT GiveFeedback(uint32_t) override { return DRAGDROP_S_USEDEFAULTCURSORS; }
  } source;
  auto drag = [&](const String& path, TRawButton button, std::vector<std::function<void()>> script, uint32_t& effect) {
    b.MouseMove(50, 50);
    b.MouseDown(50, 50, button);
    b.PumpMessages();
    b.QueueIdleAction([&b] { b.MouseMove(250, 50); });
    b.QueueIdleAction([&b] { b.MouseMove(260, 60); });
    b.QueueIdleAction([&b, button] { b.MouseUp(260, 60, button); });
    for (auto& s : script) b.QueueIdleAction(s);
    IDataObject* data = CreateFileListDataObject({path});
    const HRESULT hr = DoDragDrop(data, &source, kAll, &effect);
    data->Release();
    b.PumpMessages();
    return hr;
  };
  uint32_t effect = 0;
  EXPECT_EQ(drag(src + "/m.jpg", TRawButton::Left, {}, effect), DRAGDROP_S_DROP);
  EXPECT_EQ(effect, DROPEFFECT_MOVE);  // the move was done here and is reported as such
  EXPECT_EQ(ReadFile(dst + "/m.jpg"), "moved");
  EXPECT_FALSE(Exists(src + "/m.jpg"));

  // A right drag asks with a menu; "Create Links Here" makes a link beside
  // an existing name.
  WriteFile(src + "/l.jpg", "linked");
  WriteFile(dst + "/l.jpg", "already here");
  EXPECT_EQ(drag(src + "/l.jpg", TRawButton::Right, {[&b] { b.TypeText("l"); }}, effect), DRAGDROP_S_DROP);
  EXPECT_EQ(effect, DROPEFFECT_LINK);
  EXPECT_EQ(ReadFile(dst + "/l.jpg"), "already here");
  struct stat st;
  ASSERT_EQ(::lstat((dst + "/l (2).jpg").c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
  EXPECT_EQ(ReadFile(dst + "/l (2).jpg"), "linked");
  // Cancel in the menu does nothing.
  WriteFile(src + "/c.jpg", "c");
  EXPECT_EQ(drag(src + "/c.jpg", TRawButton::Right, {[&b] { b.PressKey(VK_ESCAPE); }}, effect), DRAGDROP_S_DROP);
  EXPECT_EQ(effect, DROPEFFECT_NONE);
  EXPECT_TRUE(Exists(src + "/c.jpg"));
  EXPECT_FALSE(Exists(dst + "/c.jpg"));
  RevokeDragDrop(target);
  DestroyWindow(target);
  DestroyWindow(sourceWnd);
}
