#include "app/status_adapters.h"

#include <QLabel>
#include <QProgressBar>

namespace app {

std::string LabelStatus::Text() const { return label_->text().toStdString(); }

void LabelStatus::SetText(const std::string& text) { label_->setText(QString::fromStdString(text)); }

void LabelStatus::Repaint() { label_->repaint(); }

void BarProgress::SetMin(int value) { bar_->setMinimum(value); }

void BarProgress::SetMax(int value) { bar_->setMaximum(value); }

void BarProgress::SetPosition(int value) { bar_->setValue(value); }

int BarProgress::Min() const { return bar_->minimum(); }

int BarProgress::Max() const { return bar_->maximum(); }

int BarProgress::Position() const { return bar_->value(); }

void BarProgress::Repaint() { bar_->repaint(); }

}  // namespace app
