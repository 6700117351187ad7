#include "WaitCursor.h"

#include <QApplication>

TWaitCursor::TWaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
TWaitCursor::~TWaitCursor() { QApplication::restoreOverrideCursor(); }
