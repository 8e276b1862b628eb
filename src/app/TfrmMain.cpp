#include "app/TfrmMain.h"

#include "app/AppIcon.h"
#include "app/BrowserWiring.h"
#include "app/CommandMap.h"
#include "app/EditWiring.h"
#include "app/HelpPages.h"
#include "app/HotkeyWiring.h"
#include "app/OptionsWiring.h"
#include "app/OutputWiring.h"
#include "app/ProductInfo.h"
#include "app/StampWiring.h"
#include "app/TfrmAbout.h"
#include "app/TimerWiring.h"
#include "app/WindowPlacement.h"
#include "capture/region/RegionSelector.h"
#include "edit/ImageArea.h"
#include "edit/StatusPanels.h"
#include "edit/UnsavedEdits.h"
#include "output/AfterActionAvailability.h"
#include "platform/MessageBox.h"
#include "platform/Platform.h"
#include "platform/PrivateFolder.h"
#include "platform/ProgramFolder.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QScreen>
#include <QSpinBox>
#include <QSplitter>
#include <QStandardPaths>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QToolBar>
#include <QWindow>

#include <cstdio>
#include <exception>
#include <stdexcept>

namespace vistrel {

namespace {

// The toolbar's box lists the actions up to mail; showing the picture is the command line's.
constexpr int AfterActionCount = 9;

// The scroll capture's trace lines, in the trace box of the image area (and the
// test log, so that tests on a real display can tell how each step was measured).
class MemoTrace final : public ScrollTrace {
public:
    explicit MemoTrace(QPlainTextEdit* memo) : m_memo(memo) {}
    void clear() override { m_memo->clear(); }
    void addLine(const QString& line) override
    {
        m_memo->appendPlainText(line);
        MessageBox::trace(QStringLiteral("trace"), line);
    }

private:
    QPlainTextEdit* m_memo;
};

} // namespace

TfrmMain::TfrmMain(Platform& platform, QWidget* parent)
    : QMainWindow(parent)
    , confirmExit([this](const QString& question) { return AskAboutEdits(question, this); })
    , confirmRestore(
          [this](const QString& question) { return AskAboutEdits(question, this, true); })
    , m_platform(platform)
    , m_store(platform.settingsFolder(), DefaultDataFolder())
    , m_temp([&platform] { return platform.privateTempFolder(); })
    , m_document(m_temp, [this] { return m_settings.RIREKI.RIREKICNT; })
    , m_status(new StatusPanels(this))
    , m_engine(platform, m_settings, m_document.currentImage())
    , m_menuCapture(m_engine, m_document, *m_status, platform, m_settings, *this)
    , m_transforms(m_document, *m_status, this, HelpPages::OpenHelp)
{
    setWindowTitle(QStringLiteral("Vistrel"));
    setWindowIcon(AppIcon());
    m_document.historyBudget = [this] { return qint64(m_settings.RIREKI.MEMORYMB) << 20; };
    m_commands = new CommandMap(*this);
    buildLayout();
    LoadSettings();
    buildTimerBox();
    applyCaptureToggles();
    buildAfterActionBox();
    m_output = std::make_unique<OutputWiring>(*this);
    m_timer = std::make_unique<TimerWiring>(*this);
    m_hotkeys = std::make_unique<HotkeyWiring>(*this);
    m_edit = std::make_unique<EditWiring>(*this);
    m_options = std::make_unique<OptionsWiring>(*this);
    m_browser = std::make_unique<BrowserWiring>(*this, *m_splFile);
    m_stamps = std::make_unique<StampWiring>(*this);
    bindCommands();
    disableWhatThePlatformCannotDo();
    m_options->ApplyOptions();
    m_browser->applySettings();
    buildTrayIcon();
    MessageBox::setMainWindow(this);
    qApp->installEventFilter(this);
    // Any other way out of the event loop still saves and cleans up.
    connect(qApp, &QCoreApplication::aboutToQuit, this, [this] {
        if (!m_closing)
            endSession();
    });
}

TfrmMain::~TfrmMain() = default;

void TfrmMain::disableWhatThePlatformCannotDo()
{
    const PlatformAbilities abilities = m_platform.abilities();
    const auto disable = [this, &abilities](bool able, std::initializer_list<const char*> names) {
        if (able)
            return;
        for (const char* name : names) {
            QAction* action = m_commands->action(QString::fromLatin1(name));
            if (action == nullptr)
                continue;
            action->setEnabled(false);
            action->setToolTip(abilities.hint);
            action->setStatusTip(abilities.hint);
        }
    };
    disable(abilities.activeWindow,
            {"mnuCapActive", "mnuTimerActive", "mnuTrayCapActive", "mnuTrayTimerActive"});
    disable(abilities.pickWindow,
            {"mnuCapWindow", "mnuTimerWindow", "mnuTrayCapWindow", "mnuTrayTimerWindow"});
    disable(abilities.pointerInPicture, {"mnuCapMouse"});
}

void TfrmMain::buildLayout()
{
    setStatusBar(m_status);
    // The file pane goes left of the picture, behind the splitter splFile.
    m_splFile = new QSplitter(Qt::Horizontal, this);
    m_splFile->setObjectName(QStringLiteral("splFile"));
    m_splFile->setChildrenCollapsible(false);
    m_imageArea = new ImageArea(m_document, m_splFile);
    m_splFile->addWidget(m_imageArea);
    setCentralWidget(m_splFile);
    m_scrollTrace = std::make_unique<MemoTrace>(m_imageArea->Memo1());
    m_engine.scrollFrames = &m_temp;
    m_engine.chooseRegion = [this] { return RegionSelector(m_platform).choose(); };
    m_engine.regionTaken = [this](const QRect& rect) {
        m_settings.ALL.LASTREGION = FormatRegionText(rect);
    };
    m_engine.scrollTrace = m_scrollTrace.get();
    connect(&m_document, &ImageDocument::imageSizeChanged, this,
            [this](const QString& text) { m_status->setPanelText(0, text); });
    connect(&m_document, &ImageDocument::statusMessage, m_status, &StatusPanels::ShowStatusMessage);
    connect(&m_document, &ImageDocument::captionChanged, this, &TfrmMain::showWindowTitle);
    connect(m_imageArea, &ImageArea::zoomShown, this,
            [this](const QString& text) { m_status->setPanelText(3, text); });
    connect(m_imageArea, &ImageArea::pointerShown, this,
            [this](const QString& text) { m_status->setPanelText(4, text); });
}

void TfrmMain::buildTimerBox()
{
    m_udownTime = new QSpinBox(this);
    m_udownTime->setObjectName(QStringLiteral("udownTime"));
    m_udownTime->setRange(1, 60);
    m_udownTime->setWrapping(false);
    if (auto* edtTime = m_udownTime->findChild<QLineEdit*>()) {
        edtTime->setObjectName(QStringLiteral("edtTime"));
        edtTime->setReadOnly(true);
        edtTime->setMaxLength(2);
    }
    m_udownTime->setToolTip(QStringLiteral("タイマーキャプチャ開始秒"));
    m_udownTime->setValue(m_settings.TIMER.MINUTE);
    connect(m_udownTime, &QSpinBox::valueChanged, this, &TfrmMain::udownTimeClick);
    m_commands->toolBar(QStringLiteral("TBarMain"))->addWidget(m_udownTime);
}

void TfrmMain::udownTimeClick(int seconds)
{
    m_settings.TIMER.MINUTE = seconds;
    // Spinning up to the top shows the trace box of the scrolling capture.
    if (seconds == m_udownTime->maximum())
        m_imageArea->Memo1()->show();
}

void TfrmMain::buildAfterActionBox()
{
    m_cboAfterAct = new QComboBox(this);
    m_cboAfterAct->setObjectName(QStringLiteral("cboAfterAct"));
    m_cboAfterAct->setToolTip(QStringLiteral("キャプチャ後"));
    for (int code = 0; code < AfterActionCount; ++code)
        m_cboAfterAct->addItem(AfterActionCaption(code));
    QToolBar* bar = m_commands->toolBar(QStringLiteral("TBarEdit"));
    bar->insertWidget(bar->actions().value(0), m_cboAfterAct);
    connect(m_cboAfterAct, &QComboBox::activated, this, &TfrmMain::cboAfterActChange);
    const int stored = m_settings.MAIN.AFTERACTION;
    m_cboAfterAct->setCurrentIndex(stored >= 0 && stored < AfterActionCount ? stored : -1);
    cboAfterActChange(m_cboAfterAct->currentIndex());
}

void TfrmMain::cboAfterActChange(int index)
{
    m_settings.MAIN.AFTERACTION = index;
    for (int tag = 0; tag < AfterActionCount; ++tag)
        m_commands->setChecked(QStringLiteral("mnuAfterAct%1").arg(tag), tag == index);
}

void TfrmMain::mnuAfterAct0Click(int tag)
{
    m_cboAfterAct->setCurrentIndex(tag);
    cboAfterActChange(tag);
}

void TfrmMain::applyCaptureToggles()
{
    m_commands->setChecked(QStringLiteral("mnuCapClient"), m_settings.MAIN.CLIENT);
    m_commands->setChecked(QStringLiteral("mnuCapMouse"), m_settings.MAIN.MOUSE);
    m_commands->setChecked(QStringLiteral("mnuCapTrim"), m_settings.MAIN.TRIM);
}

void TfrmMain::toggleCaptureOption(bool& option, const QString& itemName)
{
    option = !option;
    m_commands->setChecked(itemName, option);
}

void TfrmMain::bindCommands()
{
    CommandMap& c = *m_commands;
    c.bind(QStringLiteral("mnuFileExitClick"), [this](int) { mnuFileExitClick(); });
    c.bind(QStringLiteral("mnuCapDeskTopClick"),
           [this](int) { m_menuCapture.CaptureFromMenu(FullScreen, false); });
    c.bind(QStringLiteral("mnuCapActiveClick"),
           [this](int) { m_menuCapture.CaptureFromMenu(ActiveWindow, false); });
    c.bind(QStringLiteral("mnuCapWindowClick"),
           [this](int) { m_menuCapture.CaptureFromMenu(WindowOrControl, false); });
    c.bind(QStringLiteral("mnuCapRegionClick"),
           [this](int) { m_menuCapture.CaptureFromMenu(Region, false); });
    c.bind(QStringLiteral("mnuCapLastRegionClick"),
           [this](int) { m_menuCapture.CaptureFromMenu(Region, false, true); });
    c.bind(QStringLiteral("mnuCapClientClick"), [this](int) {
        toggleCaptureOption(m_settings.MAIN.CLIENT, QStringLiteral("mnuCapClient"));
    });
    c.bind(QStringLiteral("mnuCapMouseClick"), [this](int) {
        toggleCaptureOption(m_settings.MAIN.MOUSE, QStringLiteral("mnuCapMouse"));
    });
    c.bind(QStringLiteral("mnuCapTrimClick"), [this](int) {
        toggleCaptureOption(m_settings.MAIN.TRIM, QStringLiteral("mnuCapTrim"));
    });
    c.bind(QStringLiteral("mnuAfterAct0Click"), [this](int tag) { mnuAfterAct0Click(tag); });
    c.bind(QStringLiteral("mnuEditUndoClick"), [this](int) { m_document.mnuEditUndoClick(); });
    c.bind(QStringLiteral("mnuEditRedoClick"), [this](int) { m_document.mnuEditRedoClick(); });
    c.bind(QStringLiteral("mnuFileTabCloseClick"), [this](int) { m_imageArea->closeTabAsked(); });
    c.bind(QStringLiteral("mnuHyojiZoomClick"), [this](int tag) { mnuHyojiZoomClick(tag); });
    c.bind(QStringLiteral("mnuRotate90RightClick"),
           [this](int tag) { m_transforms.mnuRotate90RightClick(tag); });
    c.bind(QStringLiteral("mnuEditZoomClick"), [this](int) { m_transforms.mnuEditZoomClick(); });
    c.bind(QStringLiteral("tryCapDblClick"), [this](int) { tryCapDblClick(); });
    c.bind(QStringLiteral("mnuTrayCancelClick"), [](int) {});
    c.bind(QStringLiteral("mnuTimerDeskTopClick"),
           [this](int) { m_menuCapture.CaptureFromMenu(FullScreen, true); });
    c.bind(QStringLiteral("mnuTimerActiveClick"),
           [this](int) { m_menuCapture.CaptureFromMenu(ActiveWindow, true); });
    c.bind(QStringLiteral("mnuTimerWindowClick"),
           [this](int) { m_menuCapture.CaptureFromMenu(WindowOrControl, true); });
    m_output->bind(c);
    m_timer->bind(c);
    m_hotkeys->bind(c);
    m_edit->bind(c);
    m_options->bind(c);
    m_browser->bind(c);
    m_stamps->bind(c);
    c.bind(QStringLiteral("mnuHelpHelpClick"), [](int) { HelpPages::OpenHelp(0); });
    c.bind(QStringLiteral("mnuHelpHomePageClick"), [](int) { HelpPages::OpenHomePage(); });
    c.bind(QStringLiteral("mnuHelpAboutClick"), [this](int) {
        TfrmAbout about(this);
        about.exec();
    });
    c.finishBinding();
}

void TfrmMain::buildTrayIcon()
{
    m_tryCap = new QSystemTrayIcon(AppIcon(), this);
    m_tryCap->setToolTip(QStringLiteral("Vistrel"));
    m_tryCap->setContextMenu(m_commands->menu(QStringLiteral("mnuPopTray")));
    m_commands->action(QStringLiteral("mnuTrayCapStop"))->setVisible(false);
    connect(m_tryCap, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                // The window stays off the picture while a countdown runs.
                if (reason == QSystemTrayIcon::DoubleClick && !m_timer->countdownRunning())
                    tryCapDblClick();
            });
    // Shown by showTrayIcon once a command-line capture has not ended the run.
}

void TfrmMain::showTrayIcon()
{
    m_tryCap->show();
}

bool TfrmMain::hasTray() const
{
    return m_platform.systemTrayAvailable();
}

bool TfrmMain::startsVisible() const
{
    // Without a notification area a window-less start could never be reached.
    return !m_settings.ALL.ICON || !hasTray();
}

void TfrmMain::tryCapDblClick()
{
    show();
    raise();
    activateWindow();
}

void TfrmMain::LoadSettings()
{
    m_settings = m_store.load();
    clampToUsableRanges(m_settings);
    applyWindowGeometry();
    m_imageArea->setBackgroundColour(m_settings.COLOR.BACK);
}

void TfrmMain::applyWindowGeometry()
{
    QList<QRect> workAreas;
    if (const QScreen* primary = QGuiApplication::primaryScreen())
        workAreas.append(primary->availableGeometry());
    for (const QScreen* screen : QGuiApplication::screens())
        if (screen != QGuiApplication::primaryScreen())
            workAreas.append(screen->availableGeometry());
    const QRect placed =
        fitWindowToMonitors(QRect(m_settings.SCREEN.LEFT, m_settings.SCREEN.TOP,
                                  m_settings.SCREEN.WIDTH, m_settings.SCREEN.HEIGHT),
                            workAreas);
    move(placed.topLeft());
    // The stored size includes the frame; the inner size follows once the
    // window manager has framed the window (fitOuterSize).
    m_pendingOuterSize = placed.size();
    resize(*m_pendingOuterSize);
    if (m_settings.SCREEN.WINDOWSTATE)
        setWindowState(windowState() | Qt::WindowMaximized);
}

void TfrmMain::fitOuterSize()
{
    if (!m_pendingOuterSize || !isVisible() || isMaximized() || windowHandle() == nullptr)
        return;
    const QMargins frame = windowHandle()->frameMargins();
    if (frame.isNull())
        return; // not framed yet, or no window manager: outer and inner agree
    const QSize outer = *m_pendingOuterSize;
    m_pendingOuterSize.reset();
    resize(outer.shrunkBy(frame));
}

QSize TfrmMain::outerSize() const
{
    return m_pendingOuterSize.value_or(frameGeometry().size());
}

void TfrmMain::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    fitOuterSize();
}

void TfrmMain::moveEvent(QMoveEvent* event)
{
    QMainWindow::moveEvent(event);
    fitOuterSize();
}

void TfrmMain::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    fitOuterSize();
}

void TfrmMain::SaveSettings()
{
    const bool maximised = isMaximized();
    if (!maximised) {
        m_settings.SCREEN.LEFT = pos().x();
        m_settings.SCREEN.TOP = pos().y();
        const QSize outer = outerSize();
        m_settings.SCREEN.HEIGHT = outer.height();
        m_settings.SCREEN.WIDTH = outer.width();
    }
    m_browser->storeSettings();
    Settings stored = m_settings;
    // A command-line override of the continuous save lasts for its run only.
    m_hotkeys->requests().runOverride().restoreInto(stored.AUTOSAVE);
    m_store.save(stored, maximised);
}

void TfrmMain::runExitSteps()
{
    SaveSettings();
    m_hotkeys->UnregisterAllHotkeys();
    removeRunFiles();
}

void TfrmMain::removeRunFiles()
{
    m_temp.DeleteTempPictures(TempPictures::Kind::Tab);
    m_options->DeleteExchangePicture();
}

void TfrmMain::mnuHyojiZoomClick(int tag)
{
    switch (tag) {
    case 0:
        return m_imageArea->setZoom(0); // fit to the window
    case 1:
        return m_imageArea->setZoom(1);
    case 2:
        return m_imageArea->zoomIn();
    default:
        return m_imageArea->zoomOut();
    }
}

bool TfrmMain::exitConfirmed()
{
    commitDrawing();               // objects still being drawn are edits too
    m_document.storeSelectedTab(); // a picture edited without a tab counts too
    return !m_document.anyTabEdited() || confirmExit(ExitWithEditsQuestion());
}

QString TfrmMain::keptEditsFolder() const
{
    return QDir(m_platform.settingsFolder()).filePath(QStringLiteral("unsaved-edits"));
}

void TfrmMain::keepEditedTabs()
{
    commitDrawing();
    m_document.storeSelectedTab();
    if (!m_document.anyTabEdited())
        return;
    const QString folder = keptEditsFolder();
    if (!MakeFolderPathPrivately(folder) || !MakePrivateFolder(folder))
        throw std::runtime_error(QStringLiteral("%1 を作成できません").arg(folder).toStdString());
    m_document.keepEditedTabs(folder);
}

void TfrmMain::offerKeptEdits()
{
    const QString folder = keptEditsFolder();
    const int kept = ImageDocument::keptTabCount(folder);
    if (kept == 0)
        return;
    const bool restore = confirmRestore(RestoreKeptEditsQuestion(kept));
    const int restored = m_document.restoreKeptTabs(folder, restore);
    if (restore)
        m_status->ShowStatusMessage(
            QStringLiteral("保存されていなかった編集を%1件復元しました").arg(restored));
}

void TfrmMain::showWindowTitle()
{
    QStringList parts;
    const int selected = m_document.selectedTab();
    if (selected >= 0) {
        const ImageDocument::TTabRec& tab = m_document.tabs()[selected];
        parts << tab.Title;
        if (!tab.FileName.isEmpty())
            parts << QDir::toNativeSeparators(tab.FileName);
    }
    parts << QStringLiteral("Vistrel");
    setWindowTitle(parts.join(QStringLiteral(" - ")));
}

void TfrmMain::mnuFileExitClick()
{
    if (!m_closing && !exitConfirmed())
        return;
    runExitSteps();
    if (m_closing)
        return;
    m_closing = true;
    close();
    QApplication::quit();
}

void TfrmMain::endSessionAndExit()
{
    if (m_timer->countdownRunning()) {
        // A countdown would otherwise refuse to close, cancel the quit and
        // capture anyway: end it without a capture, then end the run.
        m_timer->abortCountdown();
        QTimer::singleShot(0, this, &TfrmMain::endSessionAndExit);
        return;
    }
    QApplication::exit(endSession());
}

int TfrmMain::endSession()
{
    int status = 0;
    try {
        SaveSettings();
    } catch (const std::exception& error) {
        std::fprintf(stderr, "vistrel: %s\n", error.what());
        status = 1;
    }
    try {
        // No one is there to answer: what was not saved waits for the next start.
        keepEditedTabs();
    } catch (const std::exception& error) {
        std::fprintf(stderr, "vistrel: %s\n", error.what());
        status = 1;
    }
    m_hotkeys->UnregisterAllHotkeys();
    removeRunFiles();
    m_closing = true;
    close();
    return status;
}

void TfrmMain::commitSessionData()
{
    SaveSettings();
}

bool TfrmMain::eventFilter(QObject* watched, QEvent* event)
{
    // Our own exits set the closing flag first; any other quit ends the session.
    if (event->type() == QEvent::Quit && watched == qApp && !m_closing)
        endSession();
    return QMainWindow::eventFilter(watched, event);
}

void TfrmMain::closeEvent(QCloseEvent* event)
{
    if (m_closing) {
        event->accept();
        return;
    }
    event->ignore();
    if (m_settings.ALL.APCLOSE || !hasTray()) {
        if (!exitConfirmed())
            return;
        // A failed save throws out of here with the event ignored: the window stays.
        runExitSteps();
        m_closing = true;
        event->accept();
        QApplication::quit();
        return;
    }
    hide(); // resident: the tray icon and the hotkeys stay
}

void TfrmMain::commitDrawing()
{
    if (m_edit) // a command-line capture may run before the edit modes exist
        m_edit->commitDrawing();
}

void TfrmMain::hideForCapture()
{
    commitDrawing(); // a capture by hotkey replaces the picture the objects lie on
    m_trayBeforeCapture = m_tryCap->isVisible();
    m_tryCap->hide();
    hide();
    QApplication::processEvents();
}

void TfrmMain::showAfterCapture()
{
    restoreAfterCapture(true);
}

void TfrmMain::restoreAfterCapture(bool visible)
{
    if (visible) {
        show();
        repaint();
    } else {
        hide();
    }
    m_tryCap->show();
    QApplication::processEvents();
    if (visible) {
        raise();
        activateWindow();
    }
}

void TfrmMain::showTrayForCountdown(bool counting)
{
    QAction* stop = m_commands->action(QStringLiteral("mnuTrayCapStop"));
    if (counting) {
        // Nothing else is to run during a capture: the other items wait for its end.
        for (QAction* item : m_commands->menu(QStringLiteral("mnuPopTray"))->actions())
            if (item != stop && item->isVisible()) {
                item->setVisible(false);
                m_trayItemsPutAway.append(item);
            }
    } else {
        for (QAction* item : std::as_const(m_trayItemsPutAway))
            item->setVisible(true);
        m_trayItemsPutAway.clear();
    }
    stop->setVisible(counting);
    if (!m_trayBeforeCapture)
        return; // a command-line capture before start-up, or no tray in use
    m_tryCap->setVisible(counting);
    if (!counting) {
        // Off the screen before the grab, as the countdown window is.
        QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        QGuiApplication::sync();
    }
}

void TfrmMain::endEditMode()
{
    if (m_edit) // a command-line capture may run before the edit modes exist
        m_edit->EndEditMode();
}

void TfrmMain::runAfterActionCommand(int code)
{
    m_output->runAfterActionCommand(code);
}

} // namespace vistrel
