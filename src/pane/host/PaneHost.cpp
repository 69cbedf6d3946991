// quillbox-pane-host: a plain window holding the notes pane, to run the pane before the
// standalone browser window exists. It starts as the program does: the log, the settings,
// the shipped files, then the pane; the settings are saved at exit.
#include "pane/Application.h"
#include "pane/frmMain.h"
#include "platform/Folders.h"
#include "settings/DebugM.h"
#include "settings/Options.h"

#include <QMainWindow>
#include <clocale>

int main(int argc, char** argv) {
    std::setlocale(LC_ALL, "");
    TQuillboxApplication app(argc, argv);
    DebugM::Initialize();
    Options = std::make_unique<TOptions>();
    Options->Load();
    Folders::InstallShippedFiles();
    int rc = 0;
    {
        QMainWindow window;
        window.setWindowTitle("Quillbox notes");
        auto* pane = new TfrmMain(&window);
        window.setCentralWidget(pane);
        window.resize(320, 640);
        window.show();
        rc = app.exec();
    }
    Options->Save();
    Options.reset();
    DebugM::Finalize();
    return rc;
}
