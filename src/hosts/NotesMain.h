#pragma once
// The notes pane as a band: TNotesMain hosts a TfrmMain in its band form, and its factory
// registers it as a vertical bar 254 pixels wide.
#include "hosts/BandFactory.h"
#include "hosts/BandObject.h"

#include <QPointer>

#include "pane/frmMain.h"

class TNotesMain : public TzInfoBandObject {
public:
    using TzInfoBandObject::TzInfoBandObject;
    // A band form captioned "Quillbox", a child of the site's window and as large as its
    // client area, holding a notes pane that works on the band's browser.
    std::unique_ptr<TzBandForm> CreateBandForm(QWidget* parentWindow) override;
    TfrmMain* Pane() const { return FPane.data(); }

private:
    QPointer<TfrmMain> FPane;  // owned by the band form
};

class TNotesMainFactory : public TzInfoBandObjectFactory {
public:
    static constexpr const char* NotesClassID = "{B94027E6-F580-4BE5-9DD7-6CF4CEB3000D}";
    TNotesMainFactory();
    std::unique_ptr<TComObject> CreateComObject() override;
    std::string GetURL() override;
    int GetBarWidth() override { return 254; }
    int GetBarHeight() override { return 400; }
};
