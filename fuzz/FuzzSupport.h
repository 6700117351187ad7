#pragma once

// Shared by the fuzz targets: the application object, the caps that keep a
// finding a real fault (input size, nesting depth), and a loopback server that
// answers every request with the input, for the readers that sit behind a
// service call.

#include "common.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QString>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>

namespace fuzz {

// Larger inputs only slow the search; answers of the service are read whole
// anyway. scripts/fuzz passes the same figure as -max_len.
constexpr size_t MaxInput = 64 * 1024;
// JSON nested deeper than this is not an answer the service sends.
constexpr int MaxDepth = 64;

// A QCoreApplication and ExeDir in a temporary folder, made once.
void init();
const QString &tempDir();

// True when the input is beyond the caps above.
bool tooLarge(size_t size);
bool tooDeep(const uint8_t *data, size_t size, int maxDepth = MaxDepth);

// The server's base address; every request is answered 200 with `body`.
QString answerServer();
void setAnswer(const QByteArray &body);

} // namespace fuzz
