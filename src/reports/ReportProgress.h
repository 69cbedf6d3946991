#pragma once
// The progress window of a report run, as the run uses it. The notes pane implements it with
// its Qt window TSplashForm; tests implement it with a scripted object. Destroying the object
// closes the window: the run owns it and frees it when it ends, whatever happened.
#include <string>

class TReportProgress {
public:
    virtual ~TReportProgress() = default;
    // Shows the window with its caption and message (8-bit text, ANSI code page; the message
    // may hold a line feed). The bar starts at 0 of 100.
    virtual void Show(const std::string& caption, const std::string& text) = 0;
    virtual void SetText(const std::string& text) = 0;
    // Sets the bar's maximum.
    virtual void SetMax(int max) = 0;
    // Advances the bar by one step.
    virtual void StepIt() = 0;
    // Puts the bar at its maximum.
    virtual void Finish() = 0;
    // The run's checkpoint: lets the application handle its pending events first (so a click
    // on Cancel is seen while the run works on the user-interface thread), then tells whether
    // the user cancelled. Once true it stays true. Called between notes and, at most every few
    // milliseconds, while a note is being read.
    virtual bool Cancelled() = 0;
};
