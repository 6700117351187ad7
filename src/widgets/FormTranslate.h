#pragma once

#include <QString>

#include <functional>

class QWidget;

// The text of a window key: window is the window's component name (its
// objectName), key the key ("Caption", "SbExit_text" ...). Returns the text
// trimmed, or an empty text when the translation has none, which leaves the
// control unchanged.
using TFormTextLookup = std::function<QString(const QString &window, const QString &key)>;

// Translates a window and everything in it: its caption, each of its controls
// by component name (objectName) with the keys <name>_text, _hint, _columns,
// _items and _texthint, and its main menu. Controls without a name are not
// looked up, but containers among them are still descended into.
//
// How Qt widgets map onto the window keys:
//   _text      buttons, labels, line edits: text; group boxes: title;
//              tab pages: their tab's text; actions: text
//   _hint      tool tip (tab pages: the tab's tool tip)
//   _columns   item views: header titles ("|"-separated, an empty part keeps the
//              title); then the view's popup menu (a QMenu that is a direct
//              child of the view) is translated
//   _items     combo boxes: the items ("|"-separated), the current row kept
//   _texthint  line edits, text edits and combo boxes: placeholder text
//   _label     line edits: the text of the label whose buddy the edit is
// Tool bars and widgets added to them are translated like containers; the
// tool bar's actions like menu items.
void TranslateForm(QWidget *form, const TFormTextLookup &lookup);

// Translates a menu (QMenuBar or QMenu) of a window: each item, and recursively
// each sub-item, by its component name N with N_text (caption) and N_hint.
// An item that opens a submenu is named by its action's objectName, or, when
// that is empty, by the submenu's objectName.
void TranslateMenu(QWidget *form, QWidget *menu, const TFormTextLookup &lookup);

// Translates one control of a window named window (and its children, for
// containers and tab widgets).
void TranslateControl(const QString &window, QWidget *control, const TFormTextLookup &lookup);

// The program's translation (the one loaded at start-up): window keys with
// the default " ", so a key that is nowhere leaves the control unchanged.
TFormTextLookup ProgramTextLookup();
// TranslateForm and TranslateMenu with the program's translation.
void TranslateForm(QWidget *form);
void TranslateMenu(QWidget *form, QWidget *menu);
