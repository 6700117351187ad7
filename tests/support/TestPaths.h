#pragma once

#include <QString>

// Where tests find fixtures and leave artifacts; CTest passes the folders in the environment.
namespace TestPaths {
// tests/data of the source tree.
QString dataDir();
// A folder of the build tree for screenshots and other kept outputs; created on demand.
QString artifactsDir();
// The build's bin folder (velmora-sim, velmora-monitor).
QString binDir();
// The source tree's top folder.
QString sourceDir();
}
