#pragma once
// The probe of the smoke test, built only into the test program quillbox-smoke: it reports
// into a folder ("probe.txt") when the window was first shown, what the window, the pane and
// the start page show, takes a screenshot of each stage, then navigates through the address
// box to an address (when given), opens the pane's "Note from" menu and its context menu,
// and closes the window, as a user would.
#include <QElapsedTimer>
#include <QString>

class TfrmBrowser;

namespace SmokeProbe {

// Starts the probe on the main window, reporting into folder (which exists); url may be empty.
void Attach(TfrmBrowser& window, const QElapsedTimer& sinceStart, const QString& folder, const QString& url);

}  // namespace SmokeProbe
