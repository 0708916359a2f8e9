#include "engine/command_item.h"

namespace vdinv {

TCommandItem::~TCommandItem() {
  // Unlink the chain first and release it iteratively.
  std::unique_ptr<TCommandItem> next = std::move(Next);
  while (next) next = std::move(next->Next);
}

}  // namespace vdinv
