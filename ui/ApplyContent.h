#pragma once

#include "content/Controls.h"
#include "ui/Latin1Text.h"

#include <QString>

#include <string>

class QComboBox;
class QWidget;

namespace tarvo {

// Puts a page's content into the widgets under `root` that carry the
// controls' names: a text into a line edit, memo, label, or (as the caption
// of the tab to make active) a tab widget; a check state into a check box; a
// table into a report list; items and selection into a drop-down list; lines
// into a list box. A control without a widget of a fitting kind is a
// programming error and throws std::logic_error.
//
// With `tabs` Keep a tab widget's value sets nothing: the main window's
// active page never changes by a fill.
enum class Tabs { Select, Keep };
void ApplyPage(QWidget* root, const content::Page& page, Tabs tabs = Tabs::Select);
void ApplyControl(QWidget* root, const content::Control& control, Tabs tabs = Tabs::Select);

// Replaces a drop-down list's items and selects one (-1 for none) without
// running its change handler.
void SetComboContent(QComboBox* combo, const content::Combo& content);

}  // namespace tarvo
