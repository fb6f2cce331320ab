#pragma once

// frmAbout: title, version, description and the link to the product page.
// One instance at a time, shown non-modally.
class frmAbout;

namespace 关于 {
// Shows the About dialog, creating the one instance on first use.
void 显示();
}  // namespace 关于
