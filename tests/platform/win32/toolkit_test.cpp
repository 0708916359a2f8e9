// The Win32 toolkit with a second thread acting as the user: it finds the dialog by its caption
// and the controls by their ids, sends what a user's input sends, and reads back what the form
// applied. Needs a display (Wine: an X server); without one the toolkit is null and the tests
// are skipped.
// clang-format off
#include <windows.h>
#include <commctrl.h>
// clang-format on
#undef MessageBox

#include "platform/toolkit.h"

#include <dlgs.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <functional>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "platform/win32/code_page.h"

namespace vdinv::platform {
namespace {

using internal::Utf8ToWide;
using internal::WideToUtf8;

constexpr auto kPatience = std::chrono::seconds(20);

enum Id {
  kLabelId = 2001,
  kButtonId,
  kGroupId,
  kRadioAId,
  kRadioBId,
  kCheckId,
  kEditId,
  kDropDownId,
  kMemoId,
  kTreeId,
  kGridId,
  kPanelId,
  kProgressId,
};

ControlPlan Control(const std::string& name, int id, ControlKind kind, int x, int y, int width,
                    int height, const std::string& parent = {}) {
  ControlPlan plan;
  plan.name = name;
  plan.id = id;
  plan.kind = kind;
  plan.x = x;
  plan.y = y;
  plan.width = width;
  plan.height = height;
  plan.parent = parent;
  return plan;
}

std::string UniqueCaption(const std::string& what) {
  return what + " " + std::to_string(GetCurrentProcessId());
}

FormPlan EveryKindForm() {
  FormPlan form;
  form.name = "TEveryKindFrm";
  form.caption = UniqueCaption("每种控件");
  form.width = 400;
  form.height = 300;
  form.controls = {
      Control("Label", kLabelId, ControlKind::kLabel, 8, 8, 120, 16),
      Control("Btn", kButtonId, ControlKind::kButton, 300, 260, 90, 28),
      Control("Group", kGroupId, ControlKind::kGroup, 8, 30, 180, 70),
      Control("RadioA", kRadioAId, ControlKind::kRadio, 10, 18, 80, 20, "Group"),
      Control("RadioB", kRadioBId, ControlKind::kRadio, 10, 42, 80, 20, "Group"),
      Control("Check", kCheckId, ControlKind::kCheck, 200, 30, 120, 20),
      Control("Edit", kEditId, ControlKind::kEdit, 200, 56, 120, 22),
      Control("DropDown", kDropDownId, ControlKind::kDropDown, 200, 84, 120, 22),
      Control("Memo", kMemoId, ControlKind::kMemo, 8, 110, 180, 60),
      Control("Tree", kTreeId, ControlKind::kTree, 200, 110, 190, 60),
      Control("Grid", kGridId, ControlKind::kGrid, 8, 176, 280, 76),
      Control("Panel", kPanelId, ControlKind::kPanel, 296, 176, 100, 40),
      Control("Progress", kProgressId, ControlKind::kProgress, 4, 4, 90, 16, "Panel"),
  };
  form.controls[1].isDefault = true;
  form.controls[6].editable = true;
  form.controls[8].editable = true;
  form.controls[10].columns = 1;  // the header adds the second
  form.controls[10].rows = 3;
  form.controls[10].columnWidths = {80, 120};
  return form;
}

// Signals between the form's thread and the user's, each waited for with a limit.
class Signal {
 public:
  void Set() {
    std::lock_guard lock(mutex_);
    set_ = true;
    changed_.notify_all();
  }
  bool Wait() {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, kPatience, [this] { return set_; });
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  bool set_ = false;
};

// Records the events (activation left out: it depends on the window manager) and answers them
// through a function of the test.
class Recorder : public IFormEvents {
 public:
  std::function<void(IForm&)> opened;
  std::function<void(IForm&, const Event&)> handle;
  std::vector<Event> events;
  Signal isOpen;

  void Opened(IForm& form) override {
    if (opened) opened(form);
    isOpen.Set();
  }
  void Handle(IForm& form, const Event& event) override {
    if (event.kind == EventKind::kActivated || event.kind == EventKind::kDeactivated) return;
    events.push_back(event);
    if (handle) handle(form, event);
  }
};

HWND FindDialog(const std::string& caption) {
  return FindWindowW(nullptr, Utf8ToWide(caption).c_str());
}

std::string TextOf(HWND hwnd) {
  wchar_t text[256] = {};
  GetWindowTextW(hwnd, text, 256);
  return WideToUtf8(text);
}

std::string CellOf(HWND grid, int row, int column) {
  wchar_t text[256] = {};
  LVITEMW item{};
  item.iSubItem = column;
  item.pszText = text;
  item.cchTextMax = 256;
  SendMessageW(grid, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
  return WideToUtf8(text);
}

std::string HeaderOf(HWND grid, int column) {
  wchar_t text[256] = {};
  LVCOLUMNW header{};
  header.mask = LVCF_TEXT;
  header.pszText = text;
  header.cchTextMax = 256;
  SendMessageW(grid, LVM_GETCOLUMNW, static_cast<WPARAM>(column),
               reinterpret_cast<LPARAM>(&header));
  return WideToUtf8(text);
}

// Runs the user's part on its own thread; whatever fails there, the forms it names are closed
// at its end, so the form's thread never waits for ever.
class User {
 public:
  User(std::function<void()> part, std::vector<std::string> captions)
      : thread_([part = std::move(part), captions = std::move(captions)] {
          part();
          for (const std::string& caption : captions) {
            if (HWND left = FindDialog(caption)) PostMessageW(left, WM_CLOSE, 0, 0);
          }
        }) {}
  ~User() { thread_.join(); }

 private:
  std::thread thread_;
};

// The message box and the save dialog carry captions in the system's language: they are the
// visible dialogs of this process other than the one named.
BOOL CALLBACK CollectDialog(HWND window, LPARAM data) {
  auto& found = *reinterpret_cast<std::pair<HWND, HWND>*>(data);
  wchar_t name[16] = {};
  GetClassNameW(window, name, 16);
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  if (window != found.first && process == GetCurrentProcessId() && IsWindowVisible(window) &&
      std::wstring(name) == L"#32770") {
    found.second = window;
    return FALSE;
  }
  return TRUE;
}

HWND WaitForSystemDialog(HWND other = nullptr) {
  const auto limit = std::chrono::steady_clock::now() + kPatience;
  while (std::chrono::steady_clock::now() < limit) {
    std::pair<HWND, HWND> found{other, nullptr};
    EnumWindows(CollectDialog, reinterpret_cast<LPARAM>(&found));
    if (found.second != nullptr) return found.second;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));  // polls the window list
  }
  return nullptr;
}

BOOL CALLBACK CollectText(HWND window, LPARAM texts) {
  reinterpret_cast<std::vector<std::string>*>(texts)->push_back(TextOf(window));
  return TRUE;
}

void Notify(HWND dialog, int id, int code) {
  SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, code),
               reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

Event Expected(EventKind kind, const std::string& control) {
  Event event;
  event.kind = kind;
  event.control = control;
  return event;
}

std::string Describe(const Event& e) {
  std::string items;
  for (const std::string& item : e.items) items += item + "|";
  return std::to_string(static_cast<int>(e.kind)) + " " + e.control + " text=" + e.text +
         " items=" + items + " index=" + std::to_string(e.index) +
         " checked=" + std::to_string(e.checked) + " key=" + std::to_string(e.key) +
         " timer=" + std::to_string(e.timer);
}

TEST(Win32Toolkit, ShowsEveryKindReportsUserActionsAndAppliesStatesQuietly) {
  IToolkit* toolkit = Toolkit();
  if (toolkit == nullptr) GTEST_SKIP() << "no display: no window can be made";
  const FormPlan form = EveryKindForm();
  Recorder recorder;
  Signal timerRan;
  constexpr int kTimer = 7;
  recorder.opened = [](IForm& f) {
    ControlState checked;
    checked.checked = true;
    checked.text = "选项甲";
    f.Apply("RadioA", checked);
    ControlState choices;
    choices.items = {"甲", "乙"};
    choices.index = 0;
    f.Apply("DropDown", choices);
    ControlState nodes;
    nodes.items = {"节点0", "节点1", "节点2"};
    nodes.index = 0;
    f.Apply("Tree", nodes);
    ControlState cells;
    cells.cells = {{"地址", "值"}, {"F1:3", "0"}};
    f.Apply("Grid", cells);
  };
  recorder.handle = [&](IForm& f, const Event& event) {
    if (event.kind == EventKind::kTimer) {
      f.StopTimer(kTimer);
      timerRan.Set();
    }
    if (event.kind != EventKind::kClicked || event.control != "Btn") return;
    ControlState state;
    state.text = "已改";
    f.Apply("Label", state);
    state.text = "123";  // what the edit holds: its cursor stays
    f.Apply("Edit", state);
    ControlState unchecked;
    f.Apply("Check", unchecked);
    ControlState disabled;
    disabled.enabled = false;
    disabled.checked = false;
    f.Apply("RadioA", disabled);
    ControlState choices;
    choices.items = {"x", "y", "z"};
    choices.index = 2;
    f.Apply("DropDown", choices);
    ControlState nodes;
    nodes.items = {"节点0", "节点1", "节点2"};
    nodes.index = 1;
    f.Apply("Tree", nodes);
    ControlState cells;
    cells.cells = {{"地址", "数值"}, {"F1:3", "4000"}, {"F1:4", "1"}};
    f.Apply("Grid", cells);
    ControlState lines;
    lines.items = {"第一行", "第二行"};
    f.Apply("Memo", lines);
    ControlState progress;
    progress.position = 40;
    progress.maximum = 80;
    f.Apply("Progress", progress);
    ControlState hidden;
    hidden.visible = false;
    f.Apply("Panel", hidden);
    f.SetCaption(UniqueCaption("已改的窗口"));
    f.StartTimer(kTimer, 5);
  };

  const auto drive = [&] {
    ASSERT_TRUE(recorder.isOpen.Wait());
    HWND dialog = FindDialog(form.caption);
    ASSERT_NE(dialog, nullptr);
    RECT client{};
    GetClientRect(dialog, &client);
    EXPECT_EQ(client.right, 400);
    EXPECT_EQ(client.bottom, 300);
    const struct {
      int id;
      const wchar_t* windowClass;
    } kinds[] = {
        {kLabelId, L"Static"},      {kButtonId, L"Button"}, {kGroupId, L"Button"},
        {kRadioAId, L"Button"},     {kCheckId, L"Button"},  {kEditId, L"Edit"},
        {kDropDownId, L"ComboBox"}, {kMemoId, L"Edit"},     {kTreeId, WC_TREEVIEWW},
        {kGridId, WC_LISTVIEWW},    {kPanelId, L"Static"},  {kProgressId, PROGRESS_CLASSW}};
    for (const auto& kind : kinds) {
      HWND control = GetDlgItem(dialog, kind.id);
      ASSERT_NE(control, nullptr) << kind.id;
      wchar_t name[64] = {};
      GetClassNameW(control, name, 64);
      EXPECT_EQ(_wcsicmp(name, kind.windowClass), 0) << kind.id;
      EXPECT_NE(SendMessageW(control, WM_GETFONT, 0, 0), 0) << kind.id;
    }
    // A group box's child is placed inside it.
    RECT group{}, option{};
    GetWindowRect(GetDlgItem(dialog, kGroupId), &group);
    GetWindowRect(GetDlgItem(dialog, kRadioAId), &option);
    EXPECT_EQ(option.left - group.left, 10);
    EXPECT_EQ(option.top - group.top, 18);
    EXPECT_EQ(HeaderOf(GetDlgItem(dialog, kGridId), 1), "值");

    SendMessageW(GetDlgItem(dialog, kCheckId), BM_CLICK, 0, 0);
    SendMessageW(GetDlgItem(dialog, kRadioBId), BM_CLICK, 0, 0);
    EXPECT_EQ(SendMessageW(GetDlgItem(dialog, kRadioAId), BM_GETCHECK, 0, 0), BST_UNCHECKED);
    SendMessageW(GetDlgItem(dialog, kRadioAId), WM_LBUTTONDBLCLK, 0, 0);
    HWND edit = GetDlgItem(dialog, kEditId);
    SendMessageW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"12"));
    SendMessageW(edit, EM_SETSEL, 2, 2);
    SendMessageW(edit, WM_CHAR, L'3', 0);
    Notify(dialog, kEditId, EN_KILLFOCUS);
    SendMessageW(GetDlgItem(dialog, kDropDownId), CB_SETCURSEL, 1, 0);
    Notify(dialog, kDropDownId, CBN_SELCHANGE);
    HWND tree = GetDlgItem(dialog, kTreeId);
    auto node = reinterpret_cast<LPARAM>(SendMessageW(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0));
    node = static_cast<LPARAM>(SendMessageW(tree, TVM_GETNEXTITEM, TVGN_NEXT, node));
    node = static_cast<LPARAM>(SendMessageW(tree, TVM_GETNEXTITEM, TVGN_NEXT, node));
    SendMessageW(tree, TVM_SELECTITEM, TVGN_CARET, node);
    SendMessageW(tree, WM_KEYDOWN, VK_DELETE, 0);
    SendMessageW(tree, WM_KEYUP, VK_DELETE, 0);
    HWND memo = GetDlgItem(dialog, kMemoId);
    SendMessageW(memo, EM_SETSEL, 0, -1);
    SendMessageW(memo, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(L"a\r\nb"));

    SendMessageW(edit, EM_SETSEL, 1, 1);
    SendMessageW(GetDlgItem(dialog, kButtonId), BM_CLICK, 0, 0);
    EXPECT_EQ(TextOf(GetDlgItem(dialog, kLabelId)), "已改");
    DWORD start = 0, end = 0;
    SendMessageW(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    EXPECT_EQ(start, 1u);
    EXPECT_EQ(TextOf(edit), "123");
    EXPECT_EQ(SendMessageW(GetDlgItem(dialog, kCheckId), BM_GETCHECK, 0, 0), BST_UNCHECKED);
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, kRadioAId)));
    EXPECT_EQ(SendMessageW(GetDlgItem(dialog, kDropDownId), CB_GETCOUNT, 0, 0), 3);
    EXPECT_EQ(SendMessageW(GetDlgItem(dialog, kDropDownId), CB_GETCURSEL, 0, 0), 2);
    node = static_cast<LPARAM>(SendMessageW(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0));
    EXPECT_EQ(SendMessageW(tree, TVM_GETNEXTITEM, TVGN_NEXT, node),
              SendMessageW(tree, TVM_GETNEXTITEM, TVGN_CARET, 0));
    HWND grid = GetDlgItem(dialog, kGridId);
    EXPECT_EQ(HeaderOf(grid, 1), "数值");
    EXPECT_EQ(SendMessageW(grid, LVM_GETITEMCOUNT, 0, 0), 2);
    EXPECT_EQ(CellOf(grid, 0, 1), "4000");
    EXPECT_EQ(CellOf(grid, 1, 0), "F1:4");
    EXPECT_EQ(TextOf(GetDlgItem(dialog, kMemoId)), "第一行\r\n第二行");
    EXPECT_EQ(SendMessageW(GetDlgItem(dialog, kProgressId), PBM_GETPOS, 0, 0), 40);
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(dialog, kPanelId)));
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(dialog, kProgressId)));  // inside the panel
    EXPECT_EQ(FindDialog(UniqueCaption("已改的窗口")), dialog);

    EXPECT_TRUE(timerRan.Wait());
    SendMessageW(dialog, WM_LBUTTONDBLCLK, 0, 0);
    SendMessageW(dialog, WM_CLOSE, 0, 0);
  };
  {
    User user(drive, {form.caption, UniqueCaption("已改的窗口")});
    toolkit->ShowModal(form, recorder, 0);
  }

  std::vector<Event> expected = {
      Expected(EventKind::kClicked, "Check"),        Expected(EventKind::kClicked, "RadioB"),
      Expected(EventKind::kDoubleClicked, "RadioA"), Expected(EventKind::kEdited, "Edit"),
      Expected(EventKind::kEdited, "Edit"),          Expected(EventKind::kLeft, "Edit"),
      Expected(EventKind::kSelected, "DropDown"),    Expected(EventKind::kSelected, "Tree"),
      Expected(EventKind::kKeyReleased, "Tree"),     Expected(EventKind::kEdited, "Memo"),
      Expected(EventKind::kClicked, "Btn"),          Expected(EventKind::kTimer, ""),
      Expected(EventKind::kDoubleClicked, ""),       Expected(EventKind::kFrameClosed, ""),
  };
  expected[0].checked = true;
  expected[1].checked = true;
  expected[3].text = "12";
  expected[4].text = "123";
  expected[5].text = "123";
  expected[6].index = 1;
  expected[7].index = 2;
  expected[8].index = 2;
  expected[8].key = VK_DELETE;
  expected[9].items = {"a", "b"};
  expected[11].timer = kTimer;
  std::vector<std::string> got, want;
  for (const Event& e : recorder.events) got.push_back(Describe(e));
  for (const Event& e : expected) want.push_back(Describe(e));
  EXPECT_EQ(got, want);
}

// The ids of the dialog's controls in their z-order, top first.
std::vector<int> StackOf(HWND dialog) {
  std::vector<int> stack;
  for (HWND at = GetWindow(dialog, GW_CHILD); at != nullptr; at = GetWindow(at, GW_HWNDNEXT)) {
    stack.push_back(GetDlgCtrlID(at));
  }
  return stack;
}

TEST(Win32Toolkit, ContainersLieBelowWhatTheyHoldAndOuterBelowInner) {
  IToolkit* toolkit = Toolkit();
  if (toolkit == nullptr) GTEST_SKIP() << "no display: no window can be made";
  FormPlan form;
  form.caption = UniqueCaption("容器层次");
  form.width = 300;
  form.height = 200;
  // A group in a group in a panel, as the serial page's option groups or the test window's
  // type group lie, and a group of its own beside them.
  form.controls = {
      Control("Panel", kPanelId, ControlKind::kPanel, 0, 0, 200, 200),
      Control("Label", kLabelId, ControlKind::kLabel, 4, 4, 100, 16, "Panel"),
      Control("Group", kGroupId, ControlKind::kGroup, 4, 24, 190, 170, "Panel"),
      Control("Inner", kMemoId, ControlKind::kGroup, 6, 20, 170, 140, "Group"),
      Control("RadioA", kRadioAId, ControlKind::kRadio, 6, 20, 100, 20, "Inner"),
      Control("Check", kCheckId, ControlKind::kCheck, 6, 90, 100, 20, "Group"),
      Control("Side", kTreeId, ControlKind::kGroup, 210, 0, 80, 100),
      Control("Btn", kButtonId, ControlKind::kButton, 6, 20, 60, 24, "Side"),
  };
  Recorder recorder;
  std::vector<int> order;  // the ids, top first
  const auto drive = [&] {
    ASSERT_TRUE(recorder.isOpen.Wait());
    HWND dialog = FindDialog(form.caption);
    ASSERT_NE(dialog, nullptr);
    order = StackOf(dialog);
    PostMessageW(dialog, WM_CLOSE, 0, 0);
  };
  {
    User user(drive, {form.caption});
    toolkit->ShowModal(form, recorder, 0);
  }
  const auto level = [&order](int id) {
    return std::find(order.begin(), order.end(), id) - order.begin();
  };
  ASSERT_EQ(order.size(), form.controls.size());
  // Every control above its container, every container above the one that holds it.
  const std::pair<int, int> aboveBelow[] = {
      {kLabelId, kPanelId}, {kGroupId, kPanelId}, {kMemoId, kGroupId},
      {kRadioAId, kMemoId}, {kCheckId, kGroupId}, {kButtonId, kTreeId},
      {kCheckId, kMemoId},  {kRadioAId, kTreeId}, {kButtonId, kPanelId}};
  for (auto [above, below] : aboveBelow) {
    EXPECT_LT(level(above), level(below)) << above << " over " << below;
  }
}

TEST(Win32Toolkit, RightClickOnTheTreeSelectsTheNodeAsALeftClickDoes) {
  IToolkit* toolkit = Toolkit();
  if (toolkit == nullptr) GTEST_SKIP() << "no display: no window can be made";
  FormPlan form;
  form.caption = UniqueCaption("右键选择");
  form.width = 240;
  form.height = 200;
  form.controls = {Control("Tree", kTreeId, ControlKind::kTree, 8, 8, 200, 180)};
  Recorder recorder;
  recorder.opened = [](IForm& f) {
    ControlState nodes;
    nodes.items = {"0：G11S", "1：G11S", "2：P11S"};
    nodes.index = 0;
    f.Apply("Tree", nodes);
  };
  HTREEITEM selected[3] = {};
  const auto drive = [&] {
    ASSERT_TRUE(recorder.isOpen.Wait());
    HWND dialog = FindDialog(form.caption);
    ASSERT_NE(dialog, nullptr);
    HWND tree = GetDlgItem(dialog, kTreeId);
    std::vector<HTREEITEM> nodes;
    for (auto node = reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0));
         node != nullptr; node = reinterpret_cast<HTREEITEM>(SendMessageW(
                              tree, TVM_GETNEXTITEM, TVGN_NEXT, reinterpret_cast<LPARAM>(node)))) {
      nodes.push_back(node);
    }
    ASSERT_EQ(nodes.size(), 3u);
    // A click as the mouse makes it: the pointer there, the button down and up.
    const auto caret = [tree] {
      return reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_GETNEXTITEM, TVGN_CARET, 0));
    };
    // A click as the mouse makes it: the pointer there, the button down and up; then the
    // selection waited for until it is the node expected there.
    const auto click = [&](POINT at, UINT down, UINT up, WPARAM button, HTREEITEM expected) {
      POINT screen = at;
      ClientToScreen(tree, &screen);
      SetCursorPos(screen.x, screen.y);
      PostMessageW(tree, down, button, MAKELPARAM(at.x, at.y));
      PostMessageW(tree, up, 0, MAKELPARAM(at.x, at.y));
      const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(5);
      while (caret() != expected && std::chrono::steady_clock::now() < limit) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(100));  // the rest of the pair
      return caret();
    };
    const auto labelOf = [&](HTREEITEM node) {
      RECT rect{};
      std::memcpy(&rect, &node, sizeof node);  // the item asked about
      SendMessageW(tree, TVM_GETITEMRECT, TRUE, reinterpret_cast<LPARAM>(&rect));
      return POINT{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
    };
    selected[0] = click(labelOf(nodes[1]), WM_LBUTTONDOWN, WM_LBUTTONUP, MK_LBUTTON, nodes[1]);
    selected[1] = click(labelOf(nodes[2]), WM_RBUTTONDOWN, WM_RBUTTONUP, MK_RBUTTON, nodes[2]);
    RECT client{};
    GetClientRect(tree, &client);
    selected[2] =
        click({client.right / 2, client.bottom - 4}, WM_RBUTTONDOWN, WM_RBUTTONUP, MK_RBUTTON,
              nodes[2]);  // the close posted next comes after the pair
    EXPECT_EQ(selected[0], nodes[1]);
    EXPECT_EQ(selected[1], nodes[2]);
    EXPECT_EQ(selected[2], nodes[2]);  // nowhere: the selection stays
    PostMessageW(dialog, WM_CLOSE, 0, 0);
  };
  {
    User user(drive, {form.caption});
    toolkit->ShowModal(form, recorder, 0);
  }
  std::vector<Event> expected = {
      Expected(EventKind::kClicked, "Tree"), Expected(EventKind::kSelected, "Tree"),
      Expected(EventKind::kClicked, "Tree"), Expected(EventKind::kSelected, "Tree"),
      Expected(EventKind::kClicked, "Tree"), Expected(EventKind::kFrameClosed, ""),
  };
  expected[0].index = expected[1].index = 1;
  expected[2].index = expected[3].index = 2;
  expected[4].index = -1;
  std::vector<std::string> got, want;
  for (const Event& e : recorder.events) got.push_back(Describe(e));
  for (const Event& e : expected) want.push_back(Describe(e));
  EXPECT_EQ(got, want);
}

TEST(Win32Toolkit, MessageBoxAndSaveDialogTakeAndGiveUtf8) {
  IToolkit* toolkit = Toolkit();
  if (toolkit == nullptr) GTEST_SKIP() << "no display: no window can be made";
  wchar_t temp[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, temp);
  const std::string typed = WideToUtf8(temp) + "调试日志";
  std::string boxCaption;
  std::vector<std::string> boxTexts;
  std::optional<std::string> path;
  const auto drive = [&] {
    HWND box = WaitForSystemDialog();
    ASSERT_NE(box, nullptr);
    boxCaption = TextOf(box);
    EnumChildWindows(box, CollectText, reinterpret_cast<LPARAM>(&boxTexts));
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    HWND save = WaitForSystemDialog(box);
    ASSERT_NE(save, nullptr);
    SetDlgItemTextW(save, cmb13, Utf8ToWide(typed).c_str());  // the file name
    PostMessageW(save, WM_COMMAND, IDOK, 0);
  };
  {
    User user(drive, {});
    toolkit->MessageBox("提示", "保存完毕", MessageIcon::kInformation);
    path = toolkit->AskSavePath("调试日志文件", "log");
  }
  EXPECT_EQ(boxCaption, "提示");
  EXPECT_THAT(boxTexts, testing::Contains("保存完毕"));
  EXPECT_EQ(path, typed + ".log");  // the extension added to a name typed without one
}

TEST(Win32Toolkit, PrintingCancelledOrWithoutPrinterIsReportedAsNotPrinted) {
  IToolkit* toolkit = Toolkit();
  if (toolkit == nullptr) GTEST_SKIP() << "no display: no window can be made";
  std::atomic<bool> returned{false};
  std::atomic<int> dialogs{0};
  bool printed = true;
  {
    User user(
        [&] {
          while (!returned) {  // the print dialog, or a message that no printer is there
            std::pair<HWND, HWND> found{nullptr, nullptr};
            EnumWindows(CollectDialog, reinterpret_cast<LPARAM>(&found));
            if (found.second != nullptr) {
              ++dialogs;
              PostMessageW(found.second, WM_COMMAND, IDCANCEL, 0);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
          }
        },
        {});
    printed = toolkit->PrintLines("调试日志", {"第一行", "第二行"}) == PrintResult::kPrinted;
    returned = true;
  }
  EXPECT_FALSE(printed);
  EXPECT_GE(dialogs, 1);
}

TEST(Win32Toolkit, NestedFormIsOwnedByTheActiveOneAndEachClosesAfterItsHandler) {
  IToolkit* toolkit = Toolkit();
  if (toolkit == nullptr) GTEST_SKIP() << "no display: no window can be made";
  FormPlan outerForm;
  outerForm.caption = UniqueCaption("外层");
  outerForm.width = 300;
  outerForm.height = 120;
  outerForm.controls = {Control("Btn", kButtonId, ControlKind::kButton, 10, 10, 90, 28)};
  FormPlan innerForm;
  innerForm.caption = UniqueCaption("内层");
  innerForm.width = 200;
  innerForm.height = 80;
  innerForm.topMost = true;
  innerForm.controls = {Control("Label", kLabelId, ControlKind::kLabel, 10, 10, 100, 16)};

  Recorder outer, inner;
  bool handlerWentOn = false;
  outer.handle = [&](IForm& f, const Event& event) {
    if (event.kind != EventKind::kClicked) return;
    toolkit->ShowModal(innerForm, inner, 0);
    f.Close();
    handlerWentOn = true;  // the form closes only once its handler has returned
  };
  inner.handle = [](IForm&, const Event&) { throw std::runtime_error("a handler's fault"); };

  const auto drive = [&] {
    ASSERT_TRUE(outer.isOpen.Wait());
    HWND outerDialog = FindDialog(outerForm.caption);
    ASSERT_NE(outerDialog, nullptr);
    // Posted: the click's handler returns only when the inner form has closed.
    PostMessageW(GetDlgItem(outerDialog, kButtonId), BM_CLICK, 0, 0);
    ASSERT_TRUE(inner.isOpen.Wait());
    HWND innerDialog = FindDialog(innerForm.caption);
    ASSERT_NE(innerDialog, nullptr);
    EXPECT_EQ(GetWindow(innerDialog, GW_OWNER), outerDialog);
    EXPECT_NE(GetWindowLongW(innerDialog, GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
    EXPECT_FALSE(IsWindowEnabled(outerDialog));
    SendMessageW(innerDialog, WM_COMMAND, IDCANCEL, 0);  // Escape
  };
  {
    User user(drive, {innerForm.caption, outerForm.caption});
    toolkit->ShowModal(outerForm, outer, 0);
  }

  ASSERT_EQ(outer.events.size(), 1u);
  EXPECT_EQ(outer.events[0].control, "Btn");
  ASSERT_EQ(inner.events.size(), 1u);
  EXPECT_EQ(inner.events[0].kind, EventKind::kFrameClosed);
  EXPECT_TRUE(handlerWentOn);
}

}  // namespace
}  // namespace vdinv::platform
