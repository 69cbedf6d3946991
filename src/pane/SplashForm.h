#pragma once
// TSplashForm: the small progress window of a report run. A message, a bar and a Cancel
// button; a click on Cancel sets Cancelled, which the run reads at its checkpoints. It is not
// modal and belongs to no other window.
#include "reports/ReportProgress.h"

#include <QWidget>

class QLabel;
class QProgressBar;
class QPushButton;

class TSplashForm : public QWidget, public TReportProgress {
    Q_OBJECT
public:
    TSplashForm();

    void Show(const std::string& caption, const std::string& text) override;
    void SetText(const std::string& text) override;
    void SetMax(int max) override;
    void StepIt() override;
    void Finish() override;
    bool Cancelled() override;

    QLabel* img() const { return FImg; }
    QLabel* lblCaption() const { return FCaption; }
    QProgressBar* pbProgress() const { return FProgress; }
    QPushButton* btnCancel() const { return FCancel; }

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void LayoutControls();

    QLabel* FImg;
    QLabel* FCaption;
    QProgressBar* FProgress;
    QPushButton* FCancel;
    bool FCancelled = false;
};
