#pragma once

// The controls every panel of the main window builds the same way: a group
// box with a toolbar over a list, picture buttons with hints, and the list
// view with its selection colours.

#include <QString>

#include <functional>

class QGroupBox;
class QToolBar;
class QToolButton;
class QTreeView;
class QWidget;

namespace PanelWidgets {

QGroupBox *MakeGroup(const QString &Name, const QString &Title, QWidget *Parent);
QToolBar *MakeToolBar(const QString &Name, QWidget *Parent);
// A picture button (ToolIcon; text when the name has no picture) that calls
// Click. It is the toolbar's button of an action of the same name.
QToolButton *AddToolButton(QToolBar *Bar, const QString &Name, const QString &Hint, std::function<void()> Click);
// Draws the buttons' pictures again for the current style (after a style
// change: a dark style draws them light).
void RefreshIcons(QWidget *Root);
// A single-selection list of whole rows, not editable.
QTreeView *MakeList(const QString &Name, QWidget *Parent);

} // namespace PanelWidgets
