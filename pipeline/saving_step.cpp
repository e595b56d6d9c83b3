#include "pipeline/saving_step.h"

#include <filesystem>
#include <optional>

#include "engine/progress_status.h"
#include "pipeline/handback_file.h"
#include "pipeline/main_window_link.h"
#include "pipeline/output_naming.h"
#include "pipeline/plugin_mode.h"
#include "platform/message_box.h"

namespace pipeline {

namespace {

std::string TrimBlanks(const std::string& text) {
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return "";
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

void Refuse(const std::string& text) {
    platform::MessageBox(text, kSaveRefusalCaption, platform::MB_OK | platform::MB_ICONWARNING);
}

struct NamedOutput {
    std::string name;
    std::size_t extensionLength = 0;
};

std::optional<NamedOutput> NameOutput(const std::string& base, const std::vector<std::string>& extensions) {
    for (const std::string& extension : extensions)
        if (auto named = DeblurredName(base, extension)) return NamedOutput{*named, extension.size()};
    return std::nullopt;
}

// Tells the host which file was saved, by an absolute path: the host has a working folder of its own.
void HandBack(const std::string& savedPath) {
    std::string path = savedPath;
    std::error_code error;
    if (std::filesystem::path(path).is_relative()) {
        const std::filesystem::path absolute = std::filesystem::absolute(path, error);
        if (!error) path = absolute.lexically_normal().string();
    }
    std::string reason;
    if (!WriteHandBackFile(TemporaryFolder(), path, &reason))
        Refuse(HandBackFailureText(path, TemporaryFolder() + kHandBackFileName, reason));
}

bool FolderExists(const std::string& folder) {
    std::error_code error;
    return !folder.empty() && std::filesystem::is_directory(folder, error);
}

}  // namespace

SaveChoices TakeSaveChoices() {
    const MainWindowLink& window = *gMainWindow;
    SaveChoices choices;
    choices.autoSave = window.AutoSave();
    choices.stripExif = !gPluginMode && window.StripExif();
    choices.autoSaveFolder = window.AutoSaveFolder();
    return choices;
}

bool SaveFinalResult(const SaveRequest& request, engine::ProgressStatus& progress) {
    MainWindowLink& window = *gMainWindow;
    if (!request.choices.autoSave && !gPluginMode) {
        progress.label = &window.StatusLabel();
        const bool written = window.SaveWithDialog(
            request.sourcePath, [&](const std::string& path) { request.write(path, SaveDestination::Dialog); });
        progress.SetStatus("Done... ");
        if (written) window.ShowLastSaved("[last saved: " + window.LastSavedName() + "] ");
        return true;
    }

    progress.SetStatus(request.savingText);
    const std::string folder = TrimBlanks(request.choices.autoSaveFolder);
    if (!gPluginMode && !FolderExists(folder)) {
        Refuse(MissingFolderText(folder));
        return false;
    }
    // In plug-in mode the command-line path names the output, so it lands beside the photo.
    const std::string base = gPluginMode ? gFileToOpen : request.sourceName;
    const std::optional<NamedOutput> output = NameOutput(base, request.extensions);
    if (!output) {
        Refuse(UnsavableNameText(base, request.extensions.front()));
        return false;
    }

    if (gPluginMode) {
        // Numbering passes over every taken name, a link to the photo among them.
        const std::string path = request.write(
            OutputFile::Numbered(output->name, output->extensionLength, request.sourcePath),
            SaveDestination::PhotoFolder);
        HandBack(path);
    } else {
        const std::string path = folder + "/" + output->name;
        if (WouldOverwriteSource(path, request.sourcePath)) {
            Refuse(kSameAsSourceText);
            return false;
        }
        request.write(path, SaveDestination::AutoSaveFolder);
        window.ShowLastSaved("[last saved: " + output->name + "] ");
    }
    progress.label = &window.StatusLabel();
    progress.SetStatus("Done...");
    return true;
}

}  // namespace pipeline
