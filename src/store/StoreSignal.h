#pragma once
// How a process that changed the store outside the window (the connector's native host) tells
// a running window to read its tree again: it rewrites a small stamp file in the program's
// folder, which the window watches.
#include <string>

namespace StoreSignal {

// The stamp file: "store-changed" in the program's folder.
std::string StampFile();
// Rewrites the stamp with the node path changed; a failure is only logged, the change is done.
void Touch(const std::string& nodePath);

}  // namespace StoreSignal
