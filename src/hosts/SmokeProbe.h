#pragma once
// A probe for the smoke test and for measuring start-up: when the environment names a folder
// in QUILLBOX_SMOKE_PROBE, the program reports there ("probe.txt") when its window was first
// shown, what the window, the pane and the start page show, takes a screenshot of each stage,
// then navigates through the address box to QUILLBOX_SMOKE_URL (when set), opens the pane's
// "Note from" menu and its context menu, and closes its window, as a user would. Without the variable nothing of this runs.
#include <QElapsedTimer>

class TfrmBrowser;

namespace SmokeProbe {

// Starts the probe on the main window when the environment asks for it.
void Attach(TfrmBrowser& window, const QElapsedTimer& sinceStart);

}  // namespace SmokeProbe
