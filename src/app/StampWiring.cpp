#include "app/StampWiring.h"

#include "app/CommandMap.h"
#include "app/EditWiring.h"
#include "app/TfrmMain.h"
#include "edit/stamps/CursorGrid.h"
#include "edit/stamps/StampTools.h"
#include "edit/stamps/TfrmIcdsp.h"
#include "edit/stamps/TfrmIcoEdt.h"
#include "platform/ProgramFolder.h"

#include <QApplication>
#include <QDir>
#include <QMenu>

namespace vistrel {

StampWiring::StampWiring(TfrmMain& main)
    : m_main(main)
    , m_tools(std::make_unique<StampTools>(main.document(), main.status(), main.settings(),
                                           main.edit().modes(), main.edit().surface(),
                                           main.platform()))
{
    m_tools->pickIcon = [this] { return PickIcon(&m_main, m_main.settings().ICONFILE.FILELST); };
}

StampWiring::~StampWiring() = default;

void StampWiring::bind(CommandMap& commands)
{
    commands.bind(QStringLiteral("mnuCur1Click"), [this](int tag) { m_tools->mnuCur1Click(tag); });
    commands.bind(QStringLiteral("mnuIconTouPasteClick"),
                  [this](int) { m_tools->mnuIconTouPasteClick(); });
    commands.bind(QStringLiteral("mnuIconFlPasteClick"),
                  [this](int) { m_tools->mnuIconFlPasteClick(); });
    commands.bind(QStringLiteral("mnuIconEditClick"), [this](int) { mnuIconEditClick(); });
    for (const char* name : {"mnuEditHCur", "mnuPopHCur"})
        if (QMenu* menu = commands.menu(QString::fromLatin1(name)))
            InstallCursorGrid(*menu, m_tools->cursorImages());
}

void StampWiring::mnuIconEditClick()
{
    const auto askFile = [this] {
        const QString folder = IconStartFolder(ProgramFolder(), QDir::homePath());
        return AskIconFile(QApplication::activeWindow(),
                           QStringLiteral("アイコン ファイル(*.ico,*.cur)"), folder);
    };
    EditIconList(&m_main, m_main.settings().ICONFILE.FILELST, askFile);
}

} // namespace vistrel
