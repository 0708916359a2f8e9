// The views of the toolkit that is available, installed process-wide by the UI module (or a
// test); none installed means nothing can be shown.
#pragma once

namespace vdinv::ui {

class IViews;

// Installs views (null: none); safe from any thread.
void UseViews(IViews* views);
// The installed views, or null.
IViews* InstalledViews();

}  // namespace vdinv::ui
