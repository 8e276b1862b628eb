#include "browser/FileListPane.h"

#include "browser/FileListModel.h"
#include "browser/FolderWatch.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QScrollBar>
#include <QSplitter>
#include <QStackedWidget>
#include <QTimer>
#include <QTreeView>
#include <QVBoxLayout>

namespace vistrel {

namespace {

constexpr int LargeIconSize = 64;
constexpr int SmallIconSize = 16;
// Changes on disk come in bursts (a copy creates, then writes many times): they are
// gathered and applied together at most this long after the first.
constexpr int SettleMs = 150;
constexpr int RevealMs = 1500;

} // namespace

FileListPane::FileListPane(QWidget* parent)
    : QWidget(parent)
    , m_model(new FileListModel(this))
    , m_folders(new QFileSystemModel(this))
    , m_watcher(new FolderWatch(this))
    , m_settle(new QTimer(this))
{
    setObjectName(QStringLiteral("pnlFile"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    buildPlaces();
    m_splDir = new QSplitter(Qt::Vertical, this);
    m_splDir->setObjectName(QStringLiteral("splDir"));
    m_splDir->setHandleWidth(3);
    m_splDir->setChildrenCollapsible(false);
    layout->addWidget(m_drvCbo);
    layout->addWidget(m_splDir, 1);
    buildTree();
    buildViews();
    m_splDir->setStretchFactor(0, 2);
    m_splDir->setStretchFactor(1, 3);

    m_settle->setSingleShot(true);
    m_settle->setInterval(SettleMs);
    connect(m_watcher, &FolderWatch::changed, this, [this] {
        if (!m_settle->isActive())
            m_settle->start();
    });
    connect(m_settle, &QTimer::timeout, this, &FileListPane::applyDiskChanges);
    connect(m_model, &FileListModel::listingFinished, this, [this] {
        applyDiskChanges();
        if (m_style == Details)
            fitColumns();
        Q_EMIT listingFinished();
    });
}

FileListPane::~FileListPane() = default;

void FileListPane::buildPlaces()
{
    m_drvCbo = new QComboBox(this);
    m_drvCbo->setObjectName(QStringLiteral("DrvCbo"));
    m_drvCbo->setToolTip(
        QStringLiteral("よく使うフォルダ (フォルダのパスを入力することもできます)"));
    // A folder can be typed in as well as chosen; Enter shows it.
    m_drvCbo->setEditable(true);
    m_drvCbo->setInsertPolicy(QComboBox::NoInsert);
    connect(m_drvCbo, &QComboBox::activated, this, &FileListPane::placeChosen);
    connect(m_drvCbo->lineEdit(), &QLineEdit::returnPressed, this, &FileListPane::typedFolder);
}

void FileListPane::setPlaces(const QStringList& folders)
{
    m_drvCbo->clear();
    for (const QString& folder : folders)
        if (!folder.isEmpty() && m_drvCbo->findData(folder) < 0)
            m_drvCbo->addItem(QDir::toNativeSeparators(folder), folder);
    showFolderInPlaces();
}

void FileListPane::showFolderInPlaces()
{
    // A folder that is no place of its own shows as the box's text.
    m_drvCbo->setPlaceholderText(QDir::toNativeSeparators(folder()));
    m_drvCbo->setCurrentIndex(m_drvCbo->findData(folder()));
    m_drvCbo->setEditText(QDir::toNativeSeparators(folder()));
}

void FileListPane::placeChosen(int index)
{
    setFolder(m_drvCbo->itemData(index).toString());
}

void FileListPane::typedFolder()
{
    QString typed = m_drvCbo->currentText().trimmed();
    if (typed == QLatin1String("~") || typed.startsWith(QLatin1String("~/")))
        typed = QDir::homePath() + typed.mid(1);
    if (typed.isEmpty() || QDir::cleanPath(QDir::fromNativeSeparators(typed)) == folder())
        return;
    if (!setFolder(QDir::fromNativeSeparators(typed))) {
        Q_EMIT folderRefused(QStringLiteral("フォルダ %1 が見つかりません。").arg(typed));
        showFolderInPlaces();
    }
}

void FileListPane::buildTree()
{
    m_folders->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Drives);
    m_folders->setReadOnly(true);
    m_folders->setRootPath(QStringLiteral("/"));
    m_dirlst = new QTreeView(m_splDir);
    m_dirlst->setObjectName(QStringLiteral("Dirlst"));
    m_dirlst->setModel(m_folders);
    m_dirlst->setRootIndex(m_folders->index(QStringLiteral("/")).parent());
    for (int column = 1; column < m_folders->columnCount(); ++column)
        m_dirlst->hideColumn(column);
    m_dirlst->setHeaderHidden(true);
    m_dirlst->setUniformRowHeights(true);
    m_splDir->addWidget(m_dirlst);
    connect(m_dirlst->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this] { DirlstChange(); });
    // The tree fills in the background: keep the shown folder in view as its parents load.
    connect(m_folders, &QFileSystemModel::directoryLoaded, this, [this] { revealFolder(); });
    connect(m_dirlst, &QAbstractItemView::pressed, this, [this] { m_revealPending = false; });
}

void FileListPane::buildViews()
{
    m_views = new QStackedWidget(m_splDir);
    m_iconView = new QListView(m_views);
    m_iconView->setObjectName(QStringLiteral("lsvFilelst"));
    m_iconView->setModel(m_model);
    m_iconView->setUniformItemSizes(true);
    m_iconView->setMovement(QListView::Static);
    m_iconView->setResizeMode(QListView::Adjust);
    m_iconView->setLayoutMode(QListView::Batched); // a long folder lays out in steps

    m_reportView = new QTreeView(m_views);
    m_reportView->setObjectName(QStringLiteral("lsvFilelstReport"));
    m_reportView->setModel(m_model);
    m_reportView->setSelectionModel(m_iconView->selectionModel());
    m_reportView->setRootIsDecorated(false);
    m_reportView->setUniformRowHeights(true);
    m_reportView->setItemsExpandable(false);
    m_reportView->setAllColumnsShowFocus(true);
    m_reportView->header()->setSectionsClickable(true);
    m_reportView->header()->setSortIndicatorShown(true);
    m_reportView->header()->setStretchLastSection(false);
    connect(m_reportView->header(), &QHeaderView::sectionClicked, this,
            &FileListPane::lsvFilelstColumnClick);

    for (QAbstractItemView* view : {static_cast<QAbstractItemView*>(m_iconView),
                                    static_cast<QAbstractItemView*>(m_reportView)}) {
        view->setSelectionMode(QAbstractItemView::ExtendedSelection);
        view->setSelectionBehavior(QAbstractItemView::SelectRows);
        view->setEditTriggers(QAbstractItemView::NoEditTriggers);
        m_views->addWidget(view);
    }
    m_splDir->addWidget(m_views);
    connect(m_iconView->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &FileListPane::lsvFilelstSelectItem);
    connect(m_model, &QAbstractItemModel::modelReset, this, [this] {
        if (m_style == Details)
            fitColumns();
    });
    showSortIndicator();
    SetFileListView(LargeIcons);
}

void FileListPane::setContextMenu(QMenu* menu)
{
    for (QAbstractItemView* view : {static_cast<QAbstractItemView*>(m_iconView),
                                    static_cast<QAbstractItemView*>(m_reportView)}) {
        view->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(view, &QWidget::customContextMenuRequested, menu,
                [menu, view](const QPoint& at) { menu->popup(view->viewport()->mapToGlobal(at)); });
    }
}

QString FileListPane::folder() const
{
    return m_model->folder();
}

bool FileListPane::setFolder(const QString& folder)
{
    const QFileInfo info(folder);
    if (folder.isEmpty() || !info.isDir())
        return false;
    const QModelIndex index = m_folders->index(info.absoluteFilePath());
    if (!index.isValid())
        return false;
    m_dirlst->setCurrentIndex(index);
    m_revealPending = true;
    revealFolder();
    // Loads that finish later (sorting moves rows about) keep it in view for a moment,
    // then the tree is the user's to scroll.
    QTimer::singleShot(RevealMs, this, [this] { m_revealPending = false; });
    DirlstChange(); // the tree may have been there already with nothing listed
    return true;
}

void FileListPane::revealFolder()
{
    // The tree fills level by level in the background: open the shown folder's parents
    // as they arrive until its own row is in view.
    const QModelIndex current = m_dirlst->currentIndex();
    if (!m_revealPending || !current.isValid())
        return;
    for (QModelIndex parent = current.parent(); parent.isValid(); parent = parent.parent())
        m_dirlst->expand(parent);
    m_dirlst->scrollTo(current, QAbstractItemView::PositionAtCenter);
}

void FileListPane::DirlstChange()
{
    const QString folder = m_folders->filePath(m_dirlst->currentIndex());
    // The tree's model moves rows about as it loads; only another folder lists anew.
    if (folder.isEmpty() || folder == m_model->folder())
        return;
    watchFolder(folder);
    m_model->FillFileList(folder);
    showFolderInPlaces();
    currentView()->scrollToTop();
    Q_EMIT folderChanged(folder);
}

void FileListPane::watchFolder(const QString& folder)
{
    m_watcher->watch(folder);
    m_settle->stop();
}

void FileListPane::applyDiskChanges()
{
    m_settle->stop();
    // Changes during a listing in the background wait for it (they are applied once it
    // is in, whether or not it saw them).
    if (m_model->loading())
        return;
    m_watcher->readPending();
    if (!m_watcher->watching() || m_watcher->takeWholeFolder()) {
        refresh();
        return;
    }
    const QSet<QString> names = m_watcher->takeChangedNames();
    if (names.isEmpty())
        return;
    m_restoringSelection = true;
    m_model->updateFiles(QStringList(names.cbegin(), names.cend()));
    m_restoringSelection = false;
    if (m_style == Details)
        fitColumns();
}

void FileListPane::refresh()
{
    // The folder may have gone and come back: watch it again, before it is read, so
    // that no change falls between the two.
    if (!m_watcher->watching() && QFileInfo(m_model->folder()).isDir())
        watchFolder(m_model->folder());
    // Files that went away leave the selection; what is left is not opened again.
    m_restoringSelection = true;
    m_model->FillFileList(m_model->folder());
    m_restoringSelection = false;
    if (m_style == Details)
        fitColumns();
}

void FileListPane::lsvFilelstColumnClick(int column)
{
    m_model->sortOrder().headerClicked(column);
    m_model->sortFiles();
    showSortIndicator();
}

void FileListPane::showSortIndicator()
{
    const FileSortOrder& order = m_model->sortOrder();
    m_reportView->header()->setSortIndicator(order.column(), order.direction(order.column()) < 0
                                                                 ? Qt::DescendingOrder
                                                                 : Qt::AscendingOrder);
}

QStringList FileListPane::selectedNames() const
{
    QStringList names;
    for (const QModelIndex& index : m_iconView->selectionModel()->selectedRows())
        names.append(m_model->files().value(index.row()).name);
    return names;
}

QStringList FileListPane::selectedPaths() const
{
    QStringList paths;
    for (const QString& name : selectedNames())
        paths.append(m_model->filePath(name));
    return paths;
}

void FileListPane::lsvFilelstSelectItem()
{
    if (m_restoringSelection)
        return;
    const QModelIndexList rows = m_iconView->selectionModel()->selectedRows();
    if (rows.size() != 1)
        return;
    const int row = rows.front().row();
    Q_EMIT fileSelected(m_model->filePath(row), m_model->files().value(row));
}

int FileListPane::fileCount() const
{
    return m_model->rowCount();
}

void FileListPane::fitColumns()
{
    for (int column = 0; column < 3; ++column)
        m_reportView->resizeColumnToContents(column);
}

QAbstractItemView* FileListPane::currentView() const
{
    return m_style == Details ? static_cast<QAbstractItemView*>(m_reportView)
                              : static_cast<QAbstractItemView*>(m_iconView);
}

bool FileListPane::SetFileListView(int style)
{
    if (style < LargeIcons || style > Details)
        return false;
    m_style = style;
    m_model->setThumbnails(style == LargeIcons, LargeIconSize);
    if (style == Details) {
        m_views->setCurrentWidget(m_reportView);
        fitColumns();
        return true;
    }
    if (style == LargeIcons) {
        m_iconView->setViewMode(QListView::IconMode);
        m_iconView->setIconSize(QSize(LargeIconSize, LargeIconSize));
        // Room for two lines of the name under a square thumbnail.
        const int line = m_iconView->fontMetrics().lineSpacing();
        m_iconView->setGridSize(QSize(LargeIconSize + 40, LargeIconSize + 2 * line + 12));
        m_iconView->setWordWrap(true);
        m_iconView->setTextElideMode(Qt::ElideMiddle);
        // Set explicitly: the list style's columns would otherwise stay.
        m_iconView->setFlow(QListView::LeftToRight);
        m_iconView->setWrapping(true);
    } else {
        m_iconView->setViewMode(QListView::ListMode);
        m_iconView->setIconSize(QSize(SmallIconSize, SmallIconSize));
        m_iconView->setGridSize(QSize());
        m_iconView->setWordWrap(false);
        // Small icons run in rows, the list in columns, both wrapping at the edge.
        m_iconView->setFlow(style == SmallIcons ? QListView::LeftToRight : QListView::TopToBottom);
        m_iconView->setWrapping(true);
    }
    m_iconView->setMovement(QListView::Static);
    m_iconView->setResizeMode(QListView::Adjust);
    m_views->setCurrentWidget(m_iconView);
    return true;
}

} // namespace vistrel
