// SPDX-License-Identifier: MIT
#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>

#include <vector>

namespace platform {

// A window of the program. Every form registers itself with the program's collection of
// open windows when it loads and leaves it when it is destroyed, so the collection always
// lists the loaded windows in the order they were opened.
class Form {
  public:
    explicit Form(QWidget* 窗口);
    virtual ~Form();
    Form(const Form&) = delete;
    Form& operator=(const Form&) = delete;

    QWidget* 窗口() const { return 窗口_; }

    // A free text the owner of the window uses to recognise it again.
    QString Tag;

    // Unload: close the window. A form may refuse (the main window hides instead);
    // a form that accepts is destroyed once its close event has been handled.
    void 卸载();

  private:
    QWidget* 窗口_;
};

// The program's collection of open windows, in load order.
class Forms {
  public:
    // A snapshot of the loaded forms. Each entry turns null when its window goes away, so a
    // walk over the snapshot survives windows that close while it runs.
    struct 条目 {
        Form* 窗体;
        QPointer<QWidget> 窗口;
        bool 存在() const { return !窗口.isNull(); }
    };
    static std::vector<条目> 快照();
    static int 数量();

  private:
    friend class Form;
    static void 加入(Form* 窗体);
    static void 移除(Form* 窗体);
};

}  // namespace platform
