#include "app/BrowserWiring.h"

#include "app/CommandMap.h"
#include "app/OptionsWiring.h"
#include "app/OutputWiring.h"
#include "app/TfrmMain.h"
#include "browser/FileListModel.h"
#include "browser/FileListPane.h"
#include "browser/TrashFiles.h"
#include "edit/StatusPanels.h"
#include "output/PictureFile.h"
#include "platform/MessageBox.h"
#include "platform/WaitCursor.h"

#include <QAction>
#include <QActionGroup>
#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QSplitter>
#include <QStandardPaths>
#include <QTimer>

#include <exception>

namespace vistrel {

namespace {

const char* const StyleItems[] = {"mnuHyojiBIcon", "mnuHyojiSIcon", "mnuHyojiList",
                                  "mnuHyojiReport"};
const char* const PopupStyleItems[] = {"mnuPopBIcon", "mnuPopSIcon", "mnuPopList", "mnuPopReport"};

QString cleanFolder(const QString& folder)
{
    return folder.isEmpty() ? QString() : QDir::cleanPath(QFileInfo(folder).absoluteFilePath());
}

} // namespace

BrowserWiring::BrowserWiring(TfrmMain& main, QSplitter& splFile)
    : confirmTrash([&main](const QStringList& paths) { return confirmMoveToTrash(paths, &main); })
    , m_main(main)
    , m_splFile(splFile)
    , m_pane(new FileListPane(&splFile))
{
    m_splFile.insertWidget(0, m_pane);
    m_splFile.setHandleWidth(5);
    m_splFile.setCollapsible(0, false);
    m_splFile.setStretchFactor(0, 0);
    m_splFile.setStretchFactor(1, 1);
    m_pane->setContextMenu(m_main.commands().menu(QStringLiteral("mnuPopFlist")));
    makePopupStylesRadio();
    QObject::connect(
        m_pane, &FileListPane::fileSelected, m_pane,
        [this](const QString& path, const ListedFile& file) { openSelectedFile(path, file); });
    QObject::connect(m_pane, &FileListPane::folderChanged, m_pane, [this] { showFileCount(); });
    QObject::connect(m_pane, &FileListPane::listingFinished, m_pane, [this] { showFileCount(); });
    QObject::connect(m_pane, &FileListPane::folderRefused, m_pane, [this](const QString& message) {
        m_main.status().ShowStatusMessage(message);
    });
    QObject::connect(&PictureFileEvents::instance(), &PictureFileEvents::pictureFileWritten, m_pane,
                     [this](const QString& folder) { pictureFileWritten(folder); });
    QObject::connect(&m_splFile, &QSplitter::splitterMoved, m_pane, [this] {
        if (m_shown)
            m_width = m_pane->width();
    });
}

BrowserWiring::~BrowserWiring() = default;

void BrowserWiring::bind(CommandMap& commands)
{
    commands.bind(QStringLiteral("mnuHyojiFileLstClick"), [this](int) { mnuHyojiFileLstClick(); });
    commands.bind(QStringLiteral("mnuHyojiBIconClick"),
                  [this](int tag) { mnuHyojiBIconClick(tag); });
    commands.bind(QStringLiteral("mnuHyojiRefreshClick"), [this](int) { DirlstChange(); });
    commands.bind(QStringLiteral("mnuFileAtdirSetClick"), [this](int) { mnuFileAtdirSetClick(); });
    commands.bind(QStringLiteral("mnuFileDelClick"), [this](int) { mnuFileDelClick(); });
}

void BrowserWiring::makePopupStylesRadio()
{
    // The list's own menu marks the style as the View menu does.
    auto* group = new QActionGroup(m_pane);
    for (const char* name : PopupStyleItems)
        if (QAction* item = m_main.commands().action(QString::fromLatin1(name))) {
            item->setCheckable(true);
            group->addAction(item);
        }
}

void BrowserWiring::applySettings()
{
    const Settings& settings = m_main.settings();
    m_width = settings.SCREEN.SPPLIT;
    // The toggle below flips the stored state into place.
    m_shown = !settings.MAIN.FILELIST;
    mnuHyojiFileLstClick();
    mnuHyojiBIconClick(settings.MAIN.VIEW);
    m_pane->setPlaces({QDir::homePath(),
                       QStandardPaths::writableLocation(QStandardPaths::PicturesLocation),
                       cleanFolder(settings.AUTOSAVE.DIR), QStringLiteral("/")});
    showStartFolder();
}

void BrowserWiring::showStartFolder()
{
    const Settings& settings = m_main.settings();
    const QString start =
        settings.FILELIST.APEND ? settings.FILELIST.APENDDIR : settings.FILELIST.INITDIR;
    if (m_pane->setFolder(start))
        return;
    // The tree keeps its own place: the home folder.
    m_pane->setFolder(QDir::homePath());
    // The default of a read-only installation, the pictures folder, may not exist on a
    // new account: that is no choice of the user's to report.
    if (start == QStandardPaths::writableLocation(QStandardPaths::PicturesLocation))
        return;
    m_startFolderMissing = true;
    if (m_windowRunStarted)
        reportMissingStartFolder();
}

void BrowserWiring::windowRunStarted()
{
    m_windowRunStarted = true;
    if (m_startFolderMissing)
        reportMissingStartFolder();
}

void BrowserWiring::reportMissingStartFolder()
{
    m_startFolderMissing = false;
    // Told once the window is up, not in the middle of building it.
    QTimer::singleShot(0, m_pane, [] {
        MessageBox::information(
            QStringLiteral("[オプション設定]-[ファイルリスト]の初期表示フォルダが存在しません"));
    });
}

void BrowserWiring::storeSettings()
{
    Settings& settings = m_main.settings();
    settings.MAIN.FILELIST = m_shown;
    if (!m_main.isMaximized())
        settings.SCREEN.SPPLIT = paneWidth();
    if (!m_pane->folder().isEmpty())
        settings.FILELIST.APENDDIR = m_pane->folder();
}

int BrowserWiring::paneWidth() const
{
    return m_shown && m_pane->isVisible() ? m_pane->width() : m_width;
}

void BrowserWiring::mnuHyojiFileLstClick()
{
    if (m_shown && m_pane->isVisible())
        m_width = m_pane->width();
    m_shown = !m_shown;
    m_main.commands().setChecked(QStringLiteral("mnuHyojiFileLst"), m_shown);
    m_pane->setVisible(m_shown);
    if (m_shown) {
        QList<int> sizes = m_splFile.sizes();
        const int total = sizes.value(0) + sizes.value(1);
        sizes = {m_width, std::max(0, total - m_width)};
        m_splFile.setSizes(total > 0 ? sizes : QList<int>{m_width, 1 << 20});
    }
}

void BrowserWiring::mnuHyojiBIconClick(int style)
{
    m_main.settings().MAIN.VIEW = style;
    if (!m_pane->SetFileListView(style))
        return; // another number is kept as it is and changes nothing
    m_main.commands().setChecked(QString::fromLatin1(StyleItems[style - 1]), true);
    m_main.commands().setChecked(QString::fromLatin1(PopupStyleItems[style - 1]), true);
}

void BrowserWiring::DirlstChange()
{
    const WaitCursor busy;
    m_pane->refresh();
    showFileCount();
}

void BrowserWiring::showFileCount()
{
    if (!m_shown)
        return;
    // A large folder is still being read in the background: its count comes later.
    m_main.status().ShowStatusMessage(
        m_pane->model().loading()
            ? QStringLiteral("ファイルの一覧を読み込んでいます...")
            : QStringLiteral("%1個のファイルが見つかりました").arg(m_pane->fileCount()));
}

void BrowserWiring::pictureFileWritten(const QString& folder)
{
    // The written file alone is brought into the list; the folder is not read again.
    if (!m_pane->folder().isEmpty() && cleanFolder(folder) == m_pane->folder()) {
        m_pane->applyDiskChanges();
        showFileCount();
    }
}

void BrowserWiring::openSelectedFile(const QString& path, const ListedFile& file)
{
    QImage picture;
    try {
        picture = loadPictureFile(path);
    } catch (const std::exception& error) {
        // Said in the status bar, not in a box, so that a walk through the list with the
        // arrow keys goes on past a broken file; the picture on show stays.
        m_main.status().ShowStatusMessage(
            QStringLiteral("%1 を開けません: ").arg(QFileInfo(path).fileName()) +
            QString::fromUtf8(error.what()).simplified());
        return;
    }
    if (!picture.isNull())
        m_main.output().showOpenedPicture(picture, path);
    m_main.status().ShowStatusMessage(QString());
    if (m_main.settings().FILELIST.FILEMODE)
        m_main.status().ShowStatusMessage(
            QStringLiteral("ファイル情報 = サイズ : ") + fileSizeText(file.size) +
            QStringLiteral("   更新日時 : ") + fileDateText(file.modified));
}

void BrowserWiring::mnuFileAtdirSetClick()
{
    if (!m_shown || m_pane->folder().isEmpty())
        return;
    m_main.settings().AUTOSAVE.DIR = m_pane->folder();
    m_main.options().ApplyOptions();
}

void BrowserWiring::mnuFileDelClick()
{
    if (!m_shown)
        return;
    const QStringList paths = m_pane->selectedPaths();
    if (paths.isEmpty()) {
        MessageBox::information(QStringLiteral("削除するファイル名が選択されていません。"));
        return;
    }
    if (confirmTrash(paths)) {
        const QList<TrashFailure> failed = moveFilesToTrash(paths);
        if (!failed.isEmpty())
            MessageBox::error(trashFailureMessage(failed));
    }
    DirlstChange();
}

} // namespace vistrel
