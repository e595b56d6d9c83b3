// The folder tree and the file list of the main window.
#include <QAbstractFileIconProvider>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>

#include "app/main_window.h"
#include "app/photo_files.h"
#include "app/picture_view.h"
#include "controls/class_blurpanel.h"
#include "controls/class_trackbarmouse.h"

namespace app {

namespace {

// A node's folder; the root node holds kDesktopNode, placeholders nothing.
constexpr int kFolderRole = Qt::UserRole;
const QString kDesktopNode = QStringLiteral(":desktop");
constexpr int kTreeItemHeight = 18;

QString FolderOf(const QTreeWidgetItem* node) { return node ? node->data(0, kFolderRole).toString() : QString(); }

// The hourglass for as long as the scope lasts.
class WaitCursor {
public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
};

}  // namespace

void TFMain::AddDesktopRoot() {
    auto* root = new QTreeWidgetItem(tvExplore, QStringList{"Desktop"});
    root->setData(0, kFolderRole, kDesktopNode);
    GetShellIcon(DesktopFolder(), root, nullptr);
    FillFolderChildren(kDesktopNode, root);
    {
        // The children are fresh: the expansion need not fill them again.
        const QSignalBlocker quiet(tvExplore);
        root->setExpanded(true);
        tvExplore->setCurrentItem(root);
    }
    suppressListFill = false;
    tvExplore->setStyleSheet(QString("QTreeView { background: white; } QTreeView::item { height: %1px; }")
                                 .arg(kTreeItemHeight));
}

void TFMain::tvExploreExpanding(QTreeWidgetItem* node) {
    suppressListFill = true;
    // Here a click never comes with the expansion, so the flag must not
    // outlive the events of this one.
    QTimer::singleShot(0, this, [this] { suppressListFill = false; });
    const QString folder = FolderOf(node);
    if (folder.isEmpty())
        return;
    qDeleteAll(node->takeChildren());
    FillFolderChildren(folder, node);
}

void TFMain::FillFolderChildren(const QString& folder, QTreeWidgetItem* node) {
    WaitCursor wait;
    const QList<ListedFile> children = folder == kDesktopNode ? DesktopChildren() : ListSubfolders(folder);
    for (const ListedFile& child : children) {
        auto* item = new QTreeWidgetItem(node, QStringList{child.name});
        item->setData(0, kFolderRole, child.path);
        GetShellIcon(child.path, item, nullptr);
        if (HasSubfolder(child.path))
            new QTreeWidgetItem(item, QStringList{QString()});
    }
}

void TFMain::tvExploreClick() {
    QTreeWidgetItem* node = tvExplore->currentItem();
    const QString folder = FolderOf(node);
    if (node && !suppressListFill && !folder.isEmpty())
        FillFileList(folder == kDesktopNode ? DesktopFolder() : folder);
    suppressListFill = false;
    btCreatePreview->setEnabled(false);
    if (lvExplore->selectedItems().isEmpty()) {
        imgJPG->ClearPicture();
        lbModel->setText("");
    }
}

void TFMain::cbFilterChange() {
    QTreeWidgetItem* node = tvExplore->currentItem();
    const QString folder = FolderOf(node);
    if (node && !suppressListFill && !folder.isEmpty())
        FillFileList(folder == kDesktopNode ? DesktopFolder() : folder);
    imgPreview->ClearPicture();
    img100->ClearPicture();
    suppressListFill = false;
    btCreatePreview->setEnabled(false);
    btApplyDeblur->setEnabled(false);
    // No photo is shown now: the per-photo controls go back to how the window starts.
    cbHighQuality->hide();
    btPercentage->setEnabled(false);
    crop.zoomPercent = 100;
    gbResult->setTitle("100% - drag to move the image");
    if (blurPanel) {
        blurPanel->hide();
        sbDeblurCircle->setChecked(false);
        sbDeblurCircleClick();
        tbBrightness->setEnabled(false);
        tbContrast->setEnabled(false);
    }
    sbDeblurCircle->setEnabled(false);
    // The indicator speaks of a photo's patch; with none shown it is off.
    ShowDeblurStatus(DeblurOnPhoto());
    if (lvExplore->selectedItems().isEmpty()) {
        imgJPG->ClearPicture();
        lbModel->setText("");
    }
}

void TFMain::FillFileList(const QString& folder) {
    WaitCursor wait;
    lvExplore->clear();
    filePaths.clear();
    const auto filter = static_cast<PhotoFilter>(cbFilter->currentIndex());
    for (const ListedFile& file : ListPhotoFiles(folder, filter)) {
        auto* item = new QListWidgetItem(file.name, lvExplore);
        filePaths.append(file.path);
        GetShellIcon(file.path, nullptr, item);
    }
}

void TFMain::GetShellIcon(const QString& path, QTreeWidgetItem* node, QListWidgetItem* item) {
    const QIcon icon = iconProvider ? iconProvider->icon(QFileInfo(path)) : QIcon();
    if (icon.isNull()) {
        lastIconId = -100000;
        return;
    }
    if (icon.cacheKey() != lastIconId) {
        exploreImages.push_back(icon);
        lastIconId = icon.cacheKey();
        lastIconIndex = int(exploreImages.size()) - 1;
    }
    const QIcon& shared = exploreImages[std::size_t(lastIconIndex)];
    if (node)
        node->setIcon(0, shared);
    if (item)
        item->setIcon(shared);
}

}  // namespace app
