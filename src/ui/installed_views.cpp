#include "ui/installed_views.h"

#include <atomic>

namespace vdinv::ui {
namespace {

std::atomic<IViews*> g_views{nullptr};

}  // namespace

void UseViews(IViews* views) {
  g_views.store(views);
}

IViews* InstalledViews() {
  return g_views.load();
}

}  // namespace vdinv::ui
