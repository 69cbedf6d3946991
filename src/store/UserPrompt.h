#pragma once
// How core operations ask the user something. The pane answers with message boxes; tests
// answer with scripted replies. Questions default to the second button.
#include <string>

enum class TAnswer { OK, Cancel, Yes, No };
enum class TButtons { OK, OKCancel, YesNo, YesNoCancel };
enum class TIcon { None, Information, Question, Warning, Error };

class TUserPrompt {
public:
    virtual ~TUserPrompt() = default;
    // Shows text (8-bit, ANSI code page) with a caption; returns the button chosen. Closing
    // the box counts as Cancel (or OK when that is the only button).
    virtual TAnswer Ask(const std::string& text, const std::string& caption, TButtons buttons, TIcon icon) = 0;
};
