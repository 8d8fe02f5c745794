#pragma once

#include <QString>

class QBoxLayout;
class QCheckBox;
class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;
class QWidget;

namespace tarvo {

// The display-only controls every page is made of.

// A read-only edit box with the button-face background; `width` fixes its
// width when above 0.
QLineEdit* MakeValueEdit(QWidget* parent, const QString& name, int width = 0);
// Paints an edit box or memo with the button-face background.
void SetButtonFace(QWidget* widget);
// A disabled check box that only shows a flag.
QCheckBox* MakeFlagBox(QWidget* parent, const QString& name, const QString& caption);
QLabel* MakeCaption(QWidget* parent, const QString& caption);
// A caption that names a field: the field is its buddy, so that assistive
// technology reads the caption as the field's name.
QLabel* MakeCaption(QWidget* parent, const QString& caption, QWidget* buddy);
QPushButton* MakeButton(QWidget* parent, const QString& name, const QString& caption, int width);
QFrame* MakeVerticalLine(QWidget* parent);
// Page margins and spacing, kept small: the window has a fixed size.
void SetPageSpacing(QBoxLayout* layout);
// A drop-down list that shows at most `rows` items when dropped down, then
// scrolls; also in styles that would show every item.
void SetDropDownRows(QComboBox* combo, int rows);
// Narrower tab padding for a page control whose captions must all fit.
void SetCompactTabs(QTabWidget* tabs);
// The windows are laid out for an 8 point font.
void SetWindowFont(QWidget* window);

}  // namespace tarvo
