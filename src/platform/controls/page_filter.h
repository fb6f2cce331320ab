// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

namespace platform::controls {

// What the web pane lays out of an HTML page. The page is parsed as a browser parses it, and
// the document is rebuilt from the parse tree: only the elements and attributes a small page
// needs, numbers that set sizes held within bounds, and no style sheet, script, form, frame or
// image. Every limit is counted on the tree, so that no spelling of a tag (spaces or line
// breaks in it, upper case, self-closing, left unclosed, named by entities) escapes it, and the
// toolkit's layout, which runs on the user-interface thread, stays short.
struct 整理后的页面 {
    QString html;      // the document to show; empty when the page is refused
    QString 拒绝原因;  // why the page is not shown (for the log); empty when it is
};

整理后的页面 整理页面(const QString& 页面);

// What the parser is given at most: characters, and '<' signs (every tag the tokenizer makes
// begins with one, however it is spelled). The parser's cost grows with the square of the
// tags in the worst cases (formatting elements it copies into every new paragraph), so these
// bound its time; the limits of the tree then bound the layout's: elements in all, depth of
// elements, depth of tables, and characters of text.
namespace 页面限度 {
inline constexpr int 最大字符数 = 64 * 1024;
inline constexpr int 最多标签 = 512;
inline constexpr int 最多元素 = 1024;
inline constexpr int 最大嵌套 = 64;
inline constexpr int 最大表格嵌套 = 4;
inline constexpr int 最多文字 = 8 * 1024;
}  // namespace 页面限度

}  // namespace platform::controls
