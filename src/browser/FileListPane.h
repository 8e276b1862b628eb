#pragma once

#include <QStringList>
#include <QWidget>

class QComboBox;
class QFileSystemModel;
class QListView;
class QMenu;
class QSplitter;
class QStackedWidget;
class QTimer;
class QTreeView;
class QAbstractItemView;

namespace vistrel {

class FileListModel;
class FolderWatch;
struct ListedFile;

// The file pane: a box of places (home, pictures, the continuous-save folder), the
// folder tree `Dirlst` and, below the splitter `splDir`, the file list `lsvFilelst` in
// one of four view styles. The list follows its folder as other programs change it.
class FileListPane : public QWidget {
    Q_OBJECT

public:
    enum ViewStyle { LargeIcons = 1, SmallIcons = 2, List = 3, Details = 4 };

    explicit FileListPane(QWidget* parent = nullptr);
    ~FileListPane() override;

    // The folder shown; empty before one is chosen.
    QString folder() const;
    // Shows `folder` in the tree and lists it; false when it is no folder.
    bool setFolder(const QString& folder);
    // The places offered above the tree, in this order.
    void setPlaces(const QStringList& folders);

    // Lists the shown folder again; the rows that stay keep their selection.
    void refresh();
    // Applies the changes on disk seen so far to the list, name by name, at once.
    void applyDiskChanges();
    // One of the four styles; false (and nothing changed) for any other number.
    bool SetFileListView(int style);
    int viewStyle() const { return m_style; }

    void setContextMenu(QMenu* menu);
    FileListModel& model() { return *m_model; }
    // The view of the current style (the report view for the details style).
    QAbstractItemView* currentView() const;
    QTreeView* folderTree() const { return m_dirlst; }
    QStringList selectedPaths() const;
    int fileCount() const;

Q_SIGNALS:
    // The tree moved to another folder (by the user or by setFolder).
    void folderChanged(const QString& folder);
    // Exactly one file is selected after a change of the selection by the user.
    void fileSelected(const QString& path, const ListedFile& file);
    // A large folder read in the background is in the list now.
    void listingFinished();
    // A typed folder that does not exist; the text says so.
    void folderRefused(const QString& message);

private:
    void buildPlaces();
    void buildTree();
    void buildViews();
    void DirlstChange();
    void placeChosen(int index);
    void typedFolder();
    void showFolderInPlaces();
    void revealFolder();
    void lsvFilelstColumnClick(int column);
    void lsvFilelstSelectItem();
    void watchFolder(const QString& folder);
    void showSortIndicator();
    void fitColumns();
    QStringList selectedNames() const;

    FileListModel* m_model;
    QFileSystemModel* m_folders;
    QComboBox* m_drvCbo = nullptr;
    QTreeView* m_dirlst = nullptr;
    QSplitter* m_splDir = nullptr;
    QStackedWidget* m_views = nullptr;
    QListView* m_iconView = nullptr;
    QTreeView* m_reportView = nullptr;
    FolderWatch* m_watcher;
    QTimer* m_settle;
    int m_style = LargeIcons;
    bool m_restoringSelection = false;
    // The shown folder is scrolled into view once the tree has loaded its parents.
    bool m_revealPending = false;
};

} // namespace vistrel
