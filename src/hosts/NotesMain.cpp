#include "hosts/NotesMain.h"

#include "pane/Product.h"
#include "pane/frmMain.h"

#include <QVBoxLayout>

std::unique_ptr<TzBandForm> TNotesMain::CreateBandForm(QWidget* parentWindow) {
    auto form = std::make_unique<TzBandForm>(parentWindow, this);
    form->setWindowTitle(ProductName);
    auto* layout = new QVBoxLayout(form.get());
    layout->setContentsMargins(0, 0, 0, 0);
    FPane = new TfrmMain(form.get());
    FPane->SetHostBrowser([this] { return WebBrowser(); });
    layout->addWidget(FPane);
    form->setGeometry(parentWindow->contentsRect());
    return form;
}

TNotesMainFactory::TNotesMainFactory()
    : TzInfoBandObjectFactory(NotesClassID, "Notes", "&Quillbox", TClassInstancing::ciMultiInstance,
                              TThreadingModel::tmApartment) {}

std::unique_ptr<TComObject> TNotesMainFactory::CreateComObject() { return std::make_unique<TNotesMain>(*this); }

// The product's home page; while it has none, the band registers without one.
std::string TNotesMainFactory::GetURL() { return ProductHomePage; }
