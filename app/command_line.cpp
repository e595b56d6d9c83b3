#include "app/command_line.h"

namespace app {

const char* const kWrongFormatText =
    "This photo doesn't appear to be a DNG or JPG... Clarivane can only process DNGs and JPGs...\n\n"
    "Continuing might lead to preview errors.\n\nContinue?";
const char* const kWrongFormatCaption = "Wrong format";

QString JoinArguments(const QStringList& arguments) { return arguments.join(' '); }

CommandLine ParseCommandLine(const QString& text) {
    CommandLine result;
    QString line = text;
    if (line.endsWith('"'))
        line.chop(1);
    if (line.startsWith('"'))
        line.remove(0, 1);
    const qsizetype separator = line.indexOf('#');
    if (separator < 0)
        return result;
    if (line.left(separator) == kPluginKeyword) {
        result.pluginMode = true;
        result.fileToOpen = line.mid(separator + 1);
    }
    return result;
}

bool NeedsFormatQuestion(const QString& path) {
    const QString ending = path.right(3).toLower();
    // The browser and the saving take ".jpeg" as a JPEG too.
    return ending != "dng" && ending != "jpg" && !path.endsWith(".jpeg", Qt::CaseInsensitive);
}

}  // namespace app
