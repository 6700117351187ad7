#pragma once

// A device's answer to a query command ("get config", "get places", "get
// filters"): key=value lines, read by the key/value store's line rules for
// text from outside (AssignFlat): "=", a tab or a blank between key
// and value, blanks around both dropped, keys compared without ASCII case,
// comment lines skipped, a byte-order mark at the start dropped, and never
// more than one line an entry.

#include "ZtHash.h"

#include <QByteArray>

TZtHash ReadDeviceAnswer(const QByteArray &Text);
