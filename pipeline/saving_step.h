#pragma once
#include <functional>
#include <string>
#include <vector>

#include "pipeline/output_file.h"

namespace engine {
class ProgressStatus;
}

namespace pipeline {

// Where the saving step puts a result it names itself.
enum class SaveDestination {
    PhotoFolder,     // plug-in mode: beside the photo, under the first free number, claimed atomically
    AutoSaveFolder,  // "Auto save final result": into the remembered folder, replacing
    Dialog,          // a path the user chose in the save dialog
};

// The window's saving settings as a final result finds them when it starts; the
// run reads no check box again, whatever happens to them while it works.
struct SaveChoices {
    bool autoSave = false;
    // Always false in plug-in mode, where the box is hidden.
    bool stripExif = false;
    std::string autoSaveFolder;  // the folder label's caption as shown
};

// Reads the choices of gMainWindow, which must be set, and the plug-in mode.
SaveChoices TakeSaveChoices();

// What the saving step of a final result needs of the photo and of its file type.
struct SaveRequest {
    std::string sourceName;  // file name of the photo: the base of the output name
    std::string sourcePath;  // full path of the photo: never written to
    SaveChoices choices;
    // Accepted endings in lower case with the dot: {".dng"}, or {".jpg", ".jpeg"}.
    std::vector<std::string> extensions;
    std::string savingText;  // "Saving DNG to disk..."
    // Writes the result to `output` and returns the name it took; its errors pass on.
    std::function<std::string(const OutputFile& output, SaveDestination destination)> write;
};

// Names and writes a final result: in plug-in mode beside the command-line photo
// (numbered, then the hand-back file), with auto save into the remembered folder,
// otherwise through the window's save dialog; shows the status texts in `progress`
// and the main window. Reads the plug-in values (plugin_mode.h) and the request's
// choices; gMainWindow must be set. An auto-save destination that is the photo itself, a
// missing auto-save folder or a name without an accepted ending are refused with a message and
// nothing is written; plug-in numbering passes over every taken name instead. A hand-back file
// that cannot be written is told in a message that says where the result went. The last-saved
// label shows a name only once its file was written. Returns false on a refusal, true otherwise
// (also when the dialog was cancelled). Errors of `write` pass on.
bool SaveFinalResult(const SaveRequest& request, engine::ProgressStatus& progress);

}  // namespace pipeline
