#include "ui/wizard_run.h"

namespace vdinv::ui {

void WizardRun::Begin(void* hostBlock) {
  hostBlock_ = hostBlock;
  // The copy names every entry's model from the model table, so an entry whose stored name is
  // empty (entry 0 of a block fresh from FullPDB) keeps its device through the normalisation.
  CopyPdb(LoadPdb(hostBlock), working_);
  CheckPdbModels(hostBlock);  // the host's own block is normalised as well; its answer is not used
  changed_ = CheckPdbModels(working_);
  nextPage_ = kPageEnd;
  backCount_ = 0;
}

void WizardRun::GoNext(uint8_t ownPage, uint8_t successor) {
  // A path has at most five pages, so the stack never fills within a run; a full stack keeps
  // its oldest entries rather than writing past its end.
  if (backCount_ < kBackStackSize) back_[static_cast<size_t>(backCount_++)] = ownPage;
  nextPage_ = successor;
}

void WizardRun::GoBack() {
  nextPage_ = backCount_ > 0 ? back_[static_cast<size_t>(--backCount_)] : uint8_t{kPageEnd};
}

void WizardRun::Cancel(bool clearChanged) {
  nextPage_ = kPageEnd;
  if (clearChanged) changed_ = false;
}

void WizardRun::WriteBack() {
  if (hostBlock_ == nullptr) return;
  TDevParmBlock host = LoadPdb(hostBlock_);
  CopyPdb(working_, host);
  StorePdb(hostBlock_, host);
}

}  // namespace vdinv::ui
