// SPDX-License-Identifier: MIT
#pragma once

#include <QPushButton>

#include <cstdint>
#include <functional>

namespace platform::controls {

// A colour chooser a user knows: a button that shows its colour and opens a colour dialog.
class ColorPicker : public QPushButton {
  public:
    explicit ColorPicker(const QString& 标题, QWidget* 父 = nullptr);

    // The selected colour as a stored value (0x00BBGGRR).
    std::int32_t 颜色() const { return 颜色_; }
    void 设置颜色(std::int32_t 颜色);

    // Called when the user has chosen a colour (not when the code sets one).
    std::function<void(std::int32_t)> 已选颜色;

  private:
    std::int32_t 颜色_ = 0;
};

}  // namespace platform::controls
