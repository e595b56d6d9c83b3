#include "app/photo_files.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QStandardPaths>
#include <QStorageInfo>

namespace app {

QStringList PhotoFilterCaptions() { return {"DNG & JPEG", "DNG only", "JPEG only"}; }

bool FilterAccepts(PhotoFilter filter, const QString& extension) {
    const QString lower = extension.toLower();
    const bool dng = lower == ".dng";
    const bool jpeg = lower == ".jpg" || lower == ".jpeg";
    switch (filter) {
        case PhotoFilter::DngAndJpeg: return dng || jpeg;
        case PhotoFilter::DngOnly: return dng;
        case PhotoFilter::JpegOnly: return jpeg;
    }
    return false;
}

QString ExtensionOf(const QString& path) {
    const QString name = QFileInfo(path).fileName();
    const qsizetype dot = name.lastIndexOf('.');
    return dot < 0 ? QString() : name.mid(dot);
}

FileKindCode FileKind(const QString& path) {
    const QString lower = path.toLower();
    if (lower.endsWith("jpg"))
        return FileKindCode::Jpeg;
    if (lower.endsWith("tif") || lower.endsWith("tiff"))
        return FileKindCode::Tiff;
    if (lower.endsWith("dng"))
        return FileKindCode::Dng;
    return FileKindCode::Other;
}

QList<ListedFile> ListPhotoFiles(const QString& folder, PhotoFilter filter) {
    QList<ListedFile> files;
    const QFileInfoList entries = QDir(folder).entryInfoList(QDir::Files, QDir::Name | QDir::IgnoreCase);
    for (const QFileInfo& entry : entries)
        if (FilterAccepts(filter, ExtensionOf(entry.fileName())))
            files.append({entry.fileName(), entry.absoluteFilePath()});
    return files;
}

QString DesktopFolder() {
    const QString desktop = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
    if (!desktop.isEmpty() && QFileInfo(desktop).isDir())
        return desktop;
    return QDir::homePath();
}

QList<ListedFile> DesktopChildren() {
    QList<ListedFile> children;
    QStringList seen;
    auto add = [&](const QString& name, const QString& path) {
        const QString clean = QDir::cleanPath(path);
        if (clean.isEmpty() || seen.contains(clean) || !QFileInfo(clean).isDir())
            return;
        seen.append(clean);
        children.append({name, clean});
    };
    const QString home = QDir::homePath();
    add(QFileInfo(home).fileName(), home);
    const QString desktop = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
    if (desktop != home)
        add(QFileInfo(desktop).fileName(), desktop);
    add("/", QDir::rootPath());
    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
        // Kernel and memory file systems have no device path; they hold no photos.
        if (volume.isRoot() || !volume.isValid() || !volume.device().startsWith('/'))
            continue;
        add(volume.displayName(), volume.rootPath());
    }
    return children;
}

QList<ListedFile> ListSubfolders(const QString& folder) {
    QList<ListedFile> subfolders;
    const QFileInfoList entries =
        QDir(folder).entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase);
    for (const QFileInfo& entry : entries)
        subfolders.append({entry.fileName(), entry.absoluteFilePath()});
    return subfolders;
}

bool HasSubfolder(const QString& folder) {
    QDirIterator children(folder, QDir::Dirs | QDir::NoDotAndDotDot);
    return children.hasNext();
}

}  // namespace app
