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

// The file name part of a path: what follows its last "/".
std::string FileNamePart(const std::string& path);

// The steps around one save dialog: asks for a path; on a choice disables
// the window's working controls, remembers the chosen file name in
// `lastSavedName`, has `write` store the result there and enables the
// controls again. A cancel writes nothing and changes nothing. Returns
// whether a path was chosen.
bool SaveWithDialog(QWidget* parent, bool isJPEG, std::string& lastSavedName,
                    const std::function<void(bool enabled)>& enableControls,
                    const std::function<void(const std::string& path)>& write);

}  // namespace app
