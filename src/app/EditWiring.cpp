#include "app/EditWiring.h"

#include "app/CommandMap.h"
#include "app/HelpPages.h"
#include "app/OutputWiring.h"
#include "app/TfrmMain.h"
#include "edit/ImageArea.h"
#include "edit/annotate/AnnotationTools.h"
#include "edit/modes/EditSurface.h"
#include "edit/shapes/ShapeTools.h"
#include "edit/shapes/TDrawPanel.h"

#include <QAction>

namespace vistrel {

namespace {

// The 編集 menu's item of a drawing tool.
QString DrawToolItem(AnnotationKind kind)
{
    static const char* const items[] = {"mnuDrawArrow",  "mnuDrawLine", "mnuDrawPen",
                                        "mnuDrawMarker", "mnuDrawText", "mnuDrawBadge",
                                        "mnuDrawBlur"};
    return QString::fromLatin1(items[int(kind) - 1]);
}

} // namespace

EditWiring::EditWiring(TfrmMain& main)
    : m_main(main)
    , m_surface(new EditSurface(main.imageArea().ScrBoxMain(), main.imageArea().imaBitmap()))
    , m_modes(std::make_unique<EditModes>(main.document(), main.status(), main.settings(),
                                          *m_surface, static_cast<EditModesHost&>(*this)))
    , m_filters(main.document(), main.status(), &main, HelpPages::OpenHelp)
    , m_drawPanel(new TDrawPanel)
    , m_shapes(std::make_unique<ShapeTools>(main.document(), main.status(), main.settings(),
                                            *m_modes, *m_drawPanel))
    , m_annotations(std::make_unique<AnnotationTools>(
          main.document(), main.status(), main.settings(), *m_modes, *m_surface, *m_drawPanel))
{
    m_shapes->drawingStyleChanged = [this] { m_annotations->styleChanged(); };
    main.imageArea().setDrawPanel(m_drawPanel);
    // Only a finished area selection limits the filters, not a shape's frame.
    m_filters.selection = [this] { return finishedSelection(); };
    m_filters.showOutside = [this](bool on) {
        m_main.commands().setChecked(QStringLiteral("mnuEditRangeOver"), on);
    };
    // Leaving a tab and the commands that save end the running mode first.
    main.document().endEditMode = [this] { m_modes->EndEditMode(); };
}

std::optional<QRect> EditWiring::finishedSelection() const
{
    const QRect selected = m_modes->selection();
    if (m_modes->mode() != ModeArea || selected.isEmpty())
        return std::nullopt;
    return selected;
}

void EditWiring::commitDrawing()
{
    if (m_modes->mode() == ModeAnnotate)
        m_modes->EndEditMode();
}

EditWiring::~EditWiring()
{
    m_main.document().endEditMode = nullptr;
}

void EditWiring::bind(CommandMap& commands)
{
    commands.bind(QStringLiteral("mnuLinedot0Click"),
                  [this](int tag) { m_shapes->mnuLinedot0Click(tag); });
    m_drawPanel->setLineMenu(commands.menu(QStringLiteral("mnuPopDrawLine")));
    // The dotted lines are kept for stored settings but not offered.
    for (int index = 5; index <= 9; ++index)
        commands.action(QStringLiteral("mnuLinedot%1").arg(index))->setVisible(false);
    m_shapes->checkLineItem = [this](int index) {
        m_main.commands().setChecked(QStringLiteral("mnuLinedot%1").arg(index), true);
    };
    m_shapes->checkLineItem(m_main.settings().MAIN.LINEWIDTH);
    // Edits of the whole picture commit the drawn objects first (one step each), so that undo
    // takes back the newest object (and redo finds a new edit) and a rotation or resize carries
    // the objects along.
    for (const char* edit :
         {"mnuEditUndoClick", "mnuEditRedoClick", "mnuRotate90RightClick", "mnuEditZoomClick"}) {
        const QString name = QString::fromLatin1(edit);
        if (const CommandMap::Handler bound = commands.bound(name))
            commands.bind(name, [this, bound](int tag) {
                commitDrawing();
                bound(tag);
            });
    }
    commands.bind(QStringLiteral("mnuDrawToolClick"),
                  [this](int tag) { m_annotations->chooseTool(AnnotationKind(tag)); });
    m_annotations->checkToolItem = [this](AnnotationKind kind, bool on) {
        m_main.commands().setChecked(DrawToolItem(kind), on);
    };
    for (int tag = 1; tag <= AnnotationKindCount; ++tag)
        commands.action(DrawToolItem(AnnotationKind(tag)))
            ->setIcon(AnnotationToolIcon(AnnotationKind(tag)));
    commands.bind(QStringLiteral("mnuEditCutClick"), [this](int) { m_modes->mnuEditCutClick(); });
    commands.bind(QStringLiteral("mnuEditCutReturnClick"),
                  [this](int) { m_modes->mnuEditCutReturnClick(); });
    commands.bind(QStringLiteral("mnuEditRangeClick"),
                  [this](int) { m_modes->mnuEditRangeClick(); });
    commands.bind(QStringLiteral("mnuEditRangeOverClick"),
                  [this](int) { m_filters.mnuEditRangeOverClick(); });
    commands.bind(QStringLiteral("mnuEditMozaicClick"),
                  [this](int) { m_filters.mnuEditMozaicClick(); });
    commands.bind(QStringLiteral("mnuEditColorClick"),
                  [this](int) { m_filters.mnuEditColorClick(); });
}

void EditWiring::setToggle(const QString& item, bool checked)
{
    m_main.commands().setChecked(item, checked);
}

void EditWiring::PerformAfterAction(int code)
{
    m_main.output().PerformAfterAction(code);
}

TrimChoice EditWiring::ExecuteTrim(const TrimRequest& request, TrimWizardSettings& settings)
{
    return vistrel::ExecuteTrim(&m_main, request, settings, HelpPages::OpenHelp);
}

} // namespace vistrel
