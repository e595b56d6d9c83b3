#include "pipeline/headless_window.h"

#include "pipeline/class_dngconvert.h"
#include "pipeline/output_naming.h"
#include "platform/message_box.h"

namespace pipeline {

void RecordingLabel::SetText(const std::string& value) {
    text = value;
    history.push_back(value);
    if (onText) onText(value);
}

void RecordingBar::SetPosition(int value) {
    position = value;
    positions.push_back(value);
}

HeadlessWindow::HeadlessWindow() : engine("") {
    engine.kernelPanel = &grid;
    gMainWindow = this;
    platform::SetMessageBoxHandler([this](const std::string& text, const std::string& caption, unsigned flags) {
        messages.push_back({text, caption, flags});
        if (onMessage) onMessage(messages.back());
        return int(platform::IDOK);
    });
    convert = std::make_unique<DNGConvert>();
}

HeadlessWindow::~HeadlessWindow() {
    convert.reset();
    platform::SetMessageBoxHandler(nullptr);
    if (gMainWindow == this) gMainWindow = nullptr;
}

void HeadlessWindow::SetHighQualityChecked(bool checked) {
    highQualityChecked = checked;
    // The check box's click handler mirrors its state into the workflow object.
    convert->HighQuality = checked;
}

void HeadlessWindow::ShowLastSaved(const std::string& caption) {
    lastSavedCaption = caption;
    lastSavedVisible = true;
}

bool HeadlessWindow::SaveWithDialog(const std::string&, const std::function<void(const std::string&)>& write) {
    if (dialogPath.empty()) return false;
    write(dialogPath);
    lastSavedName = FileNamePart(dialogPath);
    return true;
}

}  // namespace pipeline
