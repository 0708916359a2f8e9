// The state of a wizard run: the working copy of the device parameter block that the pages
// edit, the host's block it is written back to, the changed flag that decides DLLEdDev's
// result, the page to show next and the back-stack of "上一步". One run at a time per process;
// the pages reach it through the presenters, never through a global of their own.
#pragma once

#include <array>
#include <cstdint>

#include "common/parameter_block.h"

namespace vdinv::ui {

// Wizard pages by number; kNone and kEnd end the page loop.
enum WizardPage : uint8_t {
  kPageNone = 0,
  kPageStart = 1,
  kPageConnection = 2,
  kPageModifyList = 3,
  kPageSingleDevice = 4,
  kPageCreateList = 5,
  kPageSerial = 6,
  kPageSummary = 7,
  kPageEnd = 8,
};

class WizardRun {
 public:
  static constexpr int kBackStackSize = 11;

  // Starts a run on the host's block (26508 bytes): the working block is a field-by-field copy
  // (CopyPdb: each entry named by its model) and then normalised, the host's block is
  // normalised in place, and the changed flag says whether normalising the copy changed
  // anything. The back-stack starts empty, so it never overflows over many
  // runs; the next page is kPageEnd.
  void Begin(void* hostBlock);

  TDevParmBlock& Working() { return working_; }
  const TDevParmBlock& Working() const { return working_; }
  bool Changed() const { return changed_; }
  void SetChanged(bool changed = true) { changed_ = changed; }
  uint8_t NextPage() const { return nextPage_; }
  void SetNextPage(uint8_t page) { nextPage_ = page; }
  int BackCount() const { return backCount_; }

  // "下一步": remembers the page for "上一步" and names the successor.
  void GoNext(uint8_t ownPage, uint8_t successor);
  // "上一步": the page last left with "下一步" (kPageEnd when there is none).
  void GoBack();
  // "取消": the loop ends; every page but the start page also clears the changed flag.
  void Cancel(bool clearChanged);
  // Copies the working block into the host's block (CopyPDB); nothing without a host block.
  void WriteBack();

 private:
  TDevParmBlock working_{};
  void* hostBlock_ = nullptr;
  bool changed_ = false;
  uint8_t nextPage_ = kPageEnd;
  std::array<uint8_t, kBackStackSize> back_{};
  int backCount_ = 0;
};

}  // namespace vdinv::ui
