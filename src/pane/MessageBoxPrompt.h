#pragma once
// The user's questions as Qt message boxes, owned by a window of the pane.
#include "store/UserPrompt.h"

class QWidget;

class TMessageBoxPrompt : public TUserPrompt {
public:
    // owner may be nullptr: the box then has no owner window.
    explicit TMessageBoxPrompt(QWidget* owner) : FOwner(owner) {}
    TAnswer Ask(const std::string& text, const std::string& caption, TButtons buttons, TIcon icon) override;

private:
    QWidget* FOwner;
};
