#pragma once
#include <QString>
#include <QStringList>

namespace app {

constexpr char kPluginKeyword[] = "-lrpluginmode";

// What the command line asks for.
struct CommandLine {
    bool pluginMode = false;
    // The photo to open in plug-in mode, as given; empty otherwise.
    QString fileToOpen;
};

// The program's arguments (without the program's own name) joined by single
// blanks: the text the command-line rules read.
QString JoinArguments(const QStringList& arguments);

// Reads the command-line text: one enclosing pair of double quotes goes, the
// text splits at its first "#", and the exact keyword before it turns on
// plug-in mode with everything after it as the photo path. Anything else
// starts in regular mode.
CommandLine ParseCommandLine(const QString& text);

// Whether the user must confirm the photo: its last three characters,
// lower-cased, are neither "dng" nor "jpg", and it does not end in ".jpeg"
// in any case.
bool NeedsFormatQuestion(const QString& path);

extern const char* const kWrongFormatText;
extern const char* const kWrongFormatCaption;

}  // namespace app
