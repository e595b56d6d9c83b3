#pragma once
#include <QString>
#include <QStringList>

namespace app {

// The file list's filter choices, in the order of the filter box.
enum class PhotoFilter { DngAndJpeg = 0, DngOnly = 1, JpegOnly = 2 };

// Captions of the filter box, indexed by PhotoFilter.
QStringList PhotoFilterCaptions();

// Whether the filter lists a file with this extension (with its dot, any case).
bool FilterAccepts(PhotoFilter filter, const QString& extension);

// The extension of the path's file name with its dot, or empty.
QString ExtensionOf(const QString& path);

// Kinds of photo path, told apart by how the lower-cased path ends.
enum class FileKindCode { Jpeg = 0, Tiff = 1, Dng = 2, Other = 3 };
FileKindCode FileKind(const QString& path);

// One file of a folder listing.
struct ListedFile {
    QString name;
    QString path;
};

// The folder's visible files that the filter accepts, sorted by name, case ignored.
QList<ListedFile> ListPhotoFiles(const QString& folder, PhotoFilter filter);

// The folders under the tree's root node: the home folder, the desktop
// folder when there is one, the file-system root and the mounted volumes.
QList<ListedFile> DesktopChildren();
// The folder whose files the root node lists: the desktop folder, else home.
QString DesktopFolder();

// The folder's visible subfolders, sorted by name, case ignored.
QList<ListedFile> ListSubfolders(const QString& folder);
// Whether the folder has at least one visible subfolder.
bool HasSubfolder(const QString& folder);

}  // namespace app
