// quillbox-smoke: the program with the smoke test's probe on its window, for the tests only
// (never installed). It starts exactly as quillbox does; the probe's folder comes from
// QUILLBOX_SMOKE_PROBE and the address it navigates to from QUILLBOX_SMOKE_URL.
#include "SmokeProbe.h"
#include "hosts/ProgramStart.h"

#include <QDir>
#include <cstdio>

int main(int argc, char** argv) {
    const QString folder = qEnvironmentVariable("QUILLBOX_SMOKE_PROBE");
    if (folder.isEmpty() || !QDir().mkpath(folder)) {
        std::fputs("quillbox-smoke: QUILLBOX_SMOKE_PROBE must name a folder the probe can report into\n", stderr);
        return 2;
    }
    const QString url = qEnvironmentVariable("QUILLBOX_SMOKE_URL");
    return ProgramStart::Run(argc, argv, [&](TfrmBrowser& window, const QElapsedTimer& sinceStart) {
        SmokeProbe::Attach(window, sinceStart, folder, url);
    });
}
