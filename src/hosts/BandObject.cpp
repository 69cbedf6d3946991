#include "hosts/BandObject.h"

#include <QApplication>
#include <QPalette>

namespace {

// Delphi's constraints use 0 for "none"; Qt's largest size means the same.
std::int32_t MaxConstraint(int value) { return value == 0 || value >= QWIDGETSIZE_MAX ? -1 : value; }

// A point from the form's event when it has one, else the fallback.
TPointL PointFrom(const TzGetPointLEvent& event, TzBandForm* form, TPointL fallback) {
    if (event) event(form, fallback);
    return fallback;
}

}  // namespace

// ---- TzBandForm ----

TzBandForm::TzBandForm(QWidget* parent, TzCustomBandObject* band) : QWidget(parent, Qt::Widget), FBand(band) {
    setWindowFlag(Qt::FramelessWindowHint, true);
    setContentsMargins(0, 0, 0, 0);
    hide();
}

// ---- TzCustomBandObject ----

TzCustomBandObject::~TzCustomBandObject() {
    ReleaseSite();
    delete FBandForm.data();
}

void TzCustomBandObject::ReleaseSite() {
    FInputObjectSite = nullptr;
    FOleCommandTarget = nullptr;
    FWebBrowser = nullptr;
}

HRESULT TzCustomBandObject::SetSite(TBandSite* site) {
    ReleaseSite();
    if (!site) return S_OK;
    if (!FBandForm) {
        TOleWindow* oleWindow = site->QueryOleWindow();
        QWidget* window = nullptr;
        if (!oleWindow || !oleWindow->GetWindow(window) || !window) return E_FAIL;
        FBandForm = CreateBandForm(window).release();
    }
    FInputObjectSite = site->QueryInputObjectSite();
    if (!FInputObjectSite) return E_FAIL;
    FOleCommandTarget = FInputObjectSite->QueryCommandTarget();
    if (!FOleCommandTarget) {
        FInputObjectSite = nullptr;
        return S_OK;
    }
    FWebBrowser = FOleCommandTarget->QueryWebBrowserService();
    return S_OK;
}

HRESULT TzCustomBandObject::GetSite(TInputObjectSite*& site) {
    site = FInputObjectSite;
    return site ? S_OK : E_FAIL;
}

HRESULT TzCustomBandObject::GetBandInfo(std::uint32_t bandID, std::uint32_t viewMode, TDeskBandInfo& info) {
    FBandID = bandID;
    FViewMode = viewMode;
    TzBandForm* form = FBandForm.data();
    if (!form) return E_UNEXPECTED;
    if (info.dwMask & DBIM_MINSIZE)
        info.ptMinSize = PointFrom(form->OnBandGetMinSize, form, {form->minimumWidth(), form->minimumHeight()});
    if (info.dwMask & DBIM_MAXSIZE)
        info.ptMaxSize = PointFrom(form->OnBandGetMaxSize, form,
                                   {MaxConstraint(form->maximumWidth()), MaxConstraint(form->maximumHeight())});
    if (info.dwMask & DBIM_INTEGRAL)
        info.ptIntegral = PointFrom(form->OnBandGetIntegral, form, {form->BandIntegralX, form->BandIntegralY});
    if (info.dwMask & DBIM_ACTUAL)
        info.ptActual = PointFrom(form->OnBandGetActualSize, form, {form->width(), form->height()});
    if (info.dwMask & DBIM_TITLE) info.wszTitle = form->windowTitle().left(255).toStdU16String();
    if (info.dwMask & DBIM_MODEFLAGS) {
        info.dwModeFlags = DBIMF_NORMAL;
        if (form->BandModeFlags & bmfVariableHeight) info.dwModeFlags |= DBIMF_VARIABLEHEIGHT;
        if (form->BandModeFlags & bmfDebossed) info.dwModeFlags |= DBIMF_DEBOSSED;
        if (form->BandModeFlags & bmfBkColor) info.dwModeFlags |= DBIMF_BKCOLOR;
    }
    if (info.dwMask & DBIM_BKCOLOR) {
        const QColor c = form->palette().color(QPalette::Window);
        info.crBkgnd = std::uint32_t(c.red()) | std::uint32_t(c.green()) << 8 | std::uint32_t(c.blue()) << 16;
    }
    return S_OK;
}

HRESULT TzCustomBandObject::ShowDW(bool show) {
    if (FBandForm) FBandForm->setVisible(show);
    return S_OK;
}

HRESULT TzCustomBandObject::CloseDW(std::uint32_t) {
    ShowDW(false);
    if (FBandForm) FBandForm->close();
    return S_OK;
}

HRESULT TzCustomBandObject::ResizeBorderDW() { return E_NOTIMPL; }

HRESULT TzCustomBandObject::GetWindow(QWidget*& window) {
    window = FBandForm.data();
    return S_OK;
}

HRESULT TzCustomBandObject::ContextSensitiveHelp(bool) { return E_NOTIMPL; }

HRESULT TzCustomBandObject::IsDirty() { return S_FALSE; }
HRESULT TzCustomBandObject::Load() { return S_OK; }
HRESULT TzCustomBandObject::Save(bool) { return S_OK; }

HRESULT TzCustomBandObject::GetSizeMax(std::uint64_t& size) {
    size = 0;
    return S_OK;
}

HRESULT TzCustomBandObject::GetClassID(std::string& classID) {
    classID = Factory().ClassID();
    return S_OK;
}

HRESULT TzCustomBandObject::UIActivateIO(bool activate) {
    if (FBandForm && activate) FBandForm->setFocus(Qt::OtherFocusReason);
    return S_OK;
}

HRESULT TzCustomBandObject::HasFocusIO() {
    // A hidden form holds no focus, even when Qt has not moved it elsewhere yet.
    if (!FBandForm || !FBandForm->isVisible()) return S_FALSE;
    QWidget* focus = QApplication::focusWidget();
    return focus && (focus == FBandForm.data() || FBandForm->isAncestorOf(focus)) ? S_OK : S_FALSE;
}

HRESULT TzCustomBandObject::TranslateAcceleratorIO() { return S_FALSE; }

// ---- TzContextMenuBandObject ----

QMenu* TzContextMenuBandObject::Menu() const { return BandForm() ? BandForm()->BandContextMenu.data() : nullptr; }

HRESULT TzContextMenuBandObject::QueryContextMenu(QMenu* menu, std::uint32_t indexMenu, std::uint32_t idCmdFirst,
                                                  std::uint32_t idCmdLast, std::uint32_t flags) {
    if (flags & CMF_DEFAULTONLY) return 0;
    QMenu* source = Menu();
    if (!source || !menu) return 1;
    std::uint32_t used = 0;
    const auto actions = source->actions();
    for (QAction* action : actions) {
        if (idCmdFirst + used > idCmdLast) break;
        const auto existing = menu->actions();
        QAction* before = indexMenu + used < std::uint32_t(existing.size()) ? existing[indexMenu + used] : nullptr;
        menu->insertAction(before, action);
        ++used;
    }
    return HRESULT(used + 1);
}

HRESULT TzContextMenuBandObject::InvokeCommand(std::uint32_t verb) {
    QMenu* source = Menu();
    if (!source || verb >= std::uint32_t(source->actions().size())) return E_INVALIDARG;
    source->actions()[verb]->trigger();
    return S_OK;
}

HRESULT TzContextMenuBandObject::GetCommandString(std::uint32_t idCmd, std::u16string& text) {
    QMenu* source = Menu();
    if (!source || idCmd >= std::uint32_t(source->actions().size())) return E_INVALIDARG;
    QAction* action = source->actions()[idCmd];
    text = (action->statusTip().isEmpty() ? action->text() : action->statusTip()).toStdU16String();
    return S_OK;
}
