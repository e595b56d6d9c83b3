#pragma once
#include "platform/progress_controls.h"

class QLabel;
class QProgressBar;

namespace app {

// A form's status label as the long operations see it.
class LabelStatus : public platform::StatusLabelControl {
public:
    explicit LabelStatus(QLabel* label) : label_(label) {}
    std::string Text() const override;
    void SetText(const std::string& text) override;
    void Repaint() override;

private:
    QLabel* label_;
};

// A form's progress bar as the long operations see it.
class BarProgress : public platform::ProgressBarControl {
public:
    explicit BarProgress(QProgressBar* bar) : bar_(bar) {}
    void SetMin(int value) override;
    void SetMax(int value) override;
    void SetPosition(int value) override;
    int Min() const override;
    int Max() const override;
    int Position() const override;
    void Repaint() override;

private:
    QProgressBar* bar_;
};

}  // namespace app
