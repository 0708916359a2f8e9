// The names of the configuration windows' controls and their control ids on Windows. A name
// has one id in every window (NextBtn is the same id on each page), so the list holds each name
// once; the id is 1000 + the name's position, and new names are added at the end so that ids
// stay as they were. The options of an option group are named after the group with their
// position (DataBitED0, DataBitED1). Header-only and free of other headers, so that the
// toolkits' backends and their tests can find controls by id as well as by name.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// clang-format off
#define VDINV_CONTROL_NAMES(X)                                                                   \
  /* every wizard page and the debug form */                                                    \
  X(HeaderPn) X(Label1) X(Label2) X(ProductLabel)                                               \
  X(NextBtn) X(BackBtn) X(CancelBtn)                                                            \
  /* start page */                                                                              \
  X(NewOp) X(ModifyOp) X(BrowseOp) X(Label3) X(Label4) X(Label5) X(Label6)                      \
  X(VersionBtn) X(DebugBtn) X(DownloadBtn)                                                      \
  /* connection page */                                                                         \
  X(SingleCreate) X(MulCreate) X(AutoCreate) X(Label7) X(Label8) X(Label9)                      \
  /* device pages */                                                                            \
  X(GroupBox2) X(DevTypeLabel) X(DevTypeEd) X(IDLabel) X(IDEd)                                  \
  X(SlotLabel) X(SlotEd) X(SlotTypeLabel) X(SlotTypeEd)                                         \
  X(GroupBox3) X(IdMemo) X(GroupBox4) X(TagTypeMemo)                                            \
  X(DeviceTreeLabel) X(DeviceTree) X(AddBtn) X(DelBtn)                                          \
  /* serial parameters page */                                                                  \
  X(ComGroup) X(ComLabel) X(ComEd) X(BautLabel) X(BautEd)                                       \
  X(DataBitED) X(DataBitED0) X(DataBitED1)                                                      \
  X(StopBitED) X(StopBitED0) X(StopBitED1) X(StopBitED2)                                        \
  X(ParityEd) X(ParityEd0) X(ParityEd1) X(ParityEd2)                                            \
  X(SetGB) X(OutTimeLabel) X(OutTimeEd) X(OutTimeUnitLabel)                                     \
  X(WCountLabel) X(WCountEd) X(WCountUnitLabel) X(InitStrLabel) X(InitStrEd)                    \
  X(NoteGroup) X(NoteMemo)                                                                      \
  /* summary page */                                                                            \
  X(ComArgGroup) X(ComArgMemo) X(Memo5) X(FinishBtn) X(LastBtn) X(PrnBtn)                       \
  /* debug form */                                                                              \
  X(LoadBar) X(EnDebugChk) X(ErrorChk) X(TraceChk) X(LogMemo) X(SaveBtn) X(SpeedButton1)        \
  /* device test window */                                                                      \
  X(StringGrid1) X(PauseBtn) X(ExitBtn)                                                         \
  X(CommMsgLabel) X(CommMsg) X(SysMsgLabel) X(SysMsg)                                           \
  X(AskMsgLabel) X(AskMsg) X(AskBtn) X(AnswerMsgLabel) X(AnswerMsg)                             \
  X(DebugPn) X(AddrEdLabel) X(AddrEd) X(wValueMsgLabel) X(wValueMsg)                            \
  X(wStrMsgLabel) X(wStrMsg) X(ReadCk) X(WriteCk)                                               \
  X(TypeGroup) X(TypeGroup0) X(TypeGroup1) X(TypeGroup2)
// clang-format on

namespace vdinv::ui {

inline constexpr int kFirstControlId = 1000;

// Every control name, in id order.
inline constexpr std::string_view kControlNames[] = {
#define VDINV_CONTROL_NAME_TEXT(name) #name,
    VDINV_CONTROL_NAMES(VDINV_CONTROL_NAME_TEXT)
#undef VDINV_CONTROL_NAME_TEXT
};

// The names, one constant per control (names::NextBtn), so that a misspelt name does not
// compile; code that names a control uses these and never writes the name as a literal.
namespace names {
#define VDINV_CONTROL_NAME_CONSTANT(name) inline constexpr char name[] = #name;
VDINV_CONTROL_NAMES(VDINV_CONTROL_NAME_CONSTANT)
#undef VDINV_CONTROL_NAME_CONSTANT
}  // namespace names

// The ids by name, for code that knows the control it means (ids::NextBtn).
namespace ids {
enum : int {
  kBeforeFirst = kFirstControlId - 1,
#define VDINV_CONTROL_ID(name) name,
  VDINV_CONTROL_NAMES(VDINV_CONTROL_ID)
#undef VDINV_CONTROL_ID
};
}  // namespace ids

// The control id of a name; 0 for a name no window has.
constexpr int ControlId(std::string_view name) {
  for (size_t i = 0; i < std::size(kControlNames); ++i) {
    if (kControlNames[i] == name) return kFirstControlId + static_cast<int>(i);
  }
  return 0;
}

// The name of a control id; empty for an id of no control.
constexpr std::string_view ControlName(int id) {
  const int position = id - kFirstControlId;
  if (position < 0 || position >= static_cast<int>(std::size(kControlNames))) return {};
  return kControlNames[position];
}

// The option of an option group at a position: the group's name followed by the position.
inline std::string OptionName(std::string_view group, int position) {
  return std::string(group) + std::to_string(position);
}

// A name listed twice would give one control two ids.
constexpr bool ControlNamesUnique() {
  for (size_t i = 0; i < std::size(kControlNames); ++i) {
    if (ControlId(kControlNames[i]) != kFirstControlId + static_cast<int>(i)) return false;
  }
  return true;
}
static_assert(ControlNamesUnique(), "a control name is listed twice");

}  // namespace vdinv::ui
