#include "app/OptionsWiring.h"

#include "app/CommandMap.h"
#include "app/HelpPages.h"
#include "app/OutputWiring.h"
#include "app/TfrmMain.h"
#include "edit/ImageArea.h"
#include "edit/StatusPanels.h"
#include "edit/TransformCommands.h"
#include "options/TfrmOption.h"
#include "options/ToolIcon.h"
#include "options/ToolLauncher.h"
#include "options/ToolTable.h"
#include "output/print/HeaderTokens.h"
#include "platform/MessageBox.h"
#include "platform/Platform.h"

#include <QAction>
#include <QApplication>
#include <QToolBar>

namespace vistrel {

void OptionsWiring::bind(CommandMap& commands)
{
    commands.bind(QStringLiteral("mnuToolOptionClick"), [this](int) { mnuToolOptionClick(); });
    commands.bind(QStringLiteral("mnuToolApp1Click"), [this](int tag) { mnuToolApp1Click(tag); });
}

void OptionsWiring::ApplyOptions()
{
    const Settings& settings = m_main.settings();
    m_main.status().setPanelText(1, QStringLiteral("連続: ") + settings.AUTOSAVE.DIR);
    m_main.imageArea().setBackgroundColour(settings.COLOR.BACK);
    m_main.output().applyPrintMode();
    HelpPages::setUseBrowser(settings.ALL.HELPBROWSER);
    ApplyToolTable();
}

void OptionsWiring::ApplyToolTable()
{
    const ToolTable tools = ToolTableFrom(m_main.settings());
    bool any = false;
    for (size_t i = 0; i < tools.size(); ++i) {
        QAction* item = m_main.commands().action(QStringLiteral("mnuToolApp%1").arg(i + 1));
        const ToolEntry& tool = tools[i];
        item->setVisible(!tool.title.isEmpty());
        if (tool.title.isEmpty())
            continue;
        any = true;
        item->setText(tool.title);
        item->setToolTip(tool.title);
        item->setIcon(ToolIcon(tool.file));
    }
    m_main.commands().toolBar(QStringLiteral("TBarTool"))->setVisible(any);
}

void OptionsWiring::mnuToolOptionClick()
{
    if (m_editing) { // the tray item while the dialog is open
        if (QWidget* open = QApplication::activeModalWidget()) {
            open->raise();
            open->activateWindow();
        }
        return;
    }
    Platform& platform = m_main.platform();
    OptionHooks hooks;
    hooks.help = HelpPages::OpenHelp;
    hooks.playSound = [&platform](const QString& file) { platform.playSoundAsync(file); };
    hooks.expandHeader = [&platform](const QString& text) {
        return ExpandHeaderTokens(
            text, {QDateTime::currentDateTime(), platform.loginName(), platform.hostName()});
    };
    m_editing = true;
    bool accepted = false;
    try {
        accepted = EditOptions(&m_main, m_main.settings(), std::move(hooks));
    } catch (...) {
        m_editing = false;
        throw;
    }
    m_editing = false;
    if (accepted)
        ApplyOptions();
}

void OptionsWiring::DeleteExchangePicture()
{
    vistrel::DeleteExchangePicture(m_main.platform().settingsFolder());
}

void OptionsWiring::mnuToolApp1Click(int tag)
{
    const ToolTable tools = ToolTableFrom(m_main.settings());
    if (tag < 1 || tag > int(tools.size()) || tools[size_t(tag - 1)].title.isEmpty())
        return;
    const ToolEntry& tool = tools[size_t(tag - 1)];
    ImageDocument& document = m_main.document();
    // A tool started on nothing would find the picture of an earlier run, or none.
    if (!CheckPictureShown(document))
        return;
    StatusPanels& status = m_main.status();
    status.ShowStatusMessage(QString::fromUtf8(ToolStartingText));
    m_main.commitDrawing(); // the tool gets what the view shows
    const QImage picture = document.viewBitmap();
    document.currentImage() = picture;
    bool started = false;
    try {
        started = RunTool(tool, picture, m_main.platform().settingsFolder());
    } catch (...) {
        status.ShowStatusMessage(QString());
        throw;
    }
    if (!started) {
        status.ShowStatusMessage(QString());
        MessageBox::information(ToolStartFailedText(tool.file));
        return;
    }
    status.ShowStatusMessage(QString::fromUtf8(ToolStartedText));
}

} // namespace vistrel
