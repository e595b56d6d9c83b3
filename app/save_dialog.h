#pragma once
#include <functional>
#include <optional>
#include <string>

class QWidget;

namespace app {

// What the save dialog for a photo type looks like.
struct SaveDialogRequest {
    std::string title;
    // "Description (*.ext)", the only file type offered.
    std::string filter;
    // Added to a name typed without extension, without the dot.
    std::string defaultSuffix;
    // Where the dialog opens; no file name is preset.
    std::string folder{};
};

// The dialog for a DNG ("Save DNG") or a JPEG ("Save JPG") photo.
SaveDialogRequest SaveDialogFor(bool isJPEG);

// Shows a save dialog and answers the chosen path, or nothing when the user
// cancelled. Tests install their own.
using SaveDialogHook = std::function<std::optional<std::string>(QWidget* parent, const SaveDialogRequest&)>;
void SetSaveDialogHook(SaveDialogHook hook);
// Back to the platform's save-file dialog (asks before overwriting).
void ResetSaveDialogHook();
std::optional<std::string> AskSavePath(QWidget* parent, const SaveDialogRequest& request);


// The text that refuses a chosen path whose folder does not exist.
std::string MissingDialogFolderText(const std::string& folder);

// The steps around one save dialog: asks for a path until the user cancels or
// chooses one that is neither the photo at `sourcePath` (under any name) nor in
// a folder that does not exist, each refused with an "Oops" message. Then
// disables the window's working controls, shows the wait cursor and has `write`
// store the result there; the controls and the cursor come back on every way
// out, a throwing `write` included, whose error then passes on. `lastSavedName`
// and `lastSavedFolder` take the chosen file name and its folder once `write`
// returned. The dialog opens in `lastSavedFolder` while it exists, else in the
// photo's folder, else at home. Returns whether a file was written; false
// after a cancel, which writes nothing and changes nothing.
bool SaveWithDialog(QWidget* parent, bool isJPEG, const std::string& sourcePath, std::string& lastSavedName,
                    std::string& lastSavedFolder, const std::function<void(bool enabled)>& enableControls,
                    const std::function<void(const std::string& path)>& write);

}  // namespace app
