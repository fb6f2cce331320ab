// SPDX-License-Identifier: MIT
#include "platform/forms/forms.h"

#include <algorithm>

namespace platform {

namespace {
std::vector<Form*>& 已加载() {
    static std::vector<Form*> 列表;
    return 列表;
}
}  // namespace

Form::Form(QWidget* 窗口) : 窗口_(窗口) {
    窗口_->setAttribute(Qt::WA_DeleteOnClose);
    Forms::加入(this);
}

Form::~Form() {
    Forms::移除(this);
}

void Form::卸载() {
    窗口_->close();
}

void Forms::加入(Form* 窗体) {
    已加载().push_back(窗体);
}

void Forms::移除(Form* 窗体) {
    std::erase(已加载(), 窗体);
}

std::vector<Forms::条目> Forms::快照() {
    std::vector<条目> 结果;
    结果.reserve(已加载().size());
    for (Form* 窗体 : 已加载()) {
        结果.push_back({窗体, QPointer<QWidget>(窗体->窗口())});
    }
    return 结果;
}

int Forms::数量() {
    return static_cast<int>(已加载().size());
}

}  // namespace platform
