#pragma once

#include "SimDevice.h"

#include <optional>

// Answers that are not text, as a companion application gives for some
// commands: "get photo" a JPEG picture, "get screen" a PNG, "get logs" a ZIP
// archive, "get dump" raw bytes, "get page" an HTML page.
std::optional<SimDevice::Answer> simMediaAnswer(const QString &command);
