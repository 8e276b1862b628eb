#include "edit/annotate/AnnotationTools.h"

#include "edit/ImageDocument.h"
#include "edit/StatusPanels.h"
#include "edit/TransformCommands.h"
#include "edit/modes/EditModes.h"
#include "edit/modes/EditSurface.h"
#include "edit/shapes/ShapeDrawing.h"
#include "edit/shapes/TDrawPanel.h"
#include "settings/Settings.h"

#include <QApplication>
#include <QCheckBox>
#include <QFontComboBox>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QScopedValueRollback>
#include <QScrollArea>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QToolButton>

#include <algorithm>

namespace vistrel {

namespace {

constexpr AnnotationKind AllKinds[] = {
    AnnotationKind::Arrow, AnnotationKind::Line,  AnnotationKind::Pen,  AnnotationKind::Marker,
    AnnotationKind::Text,  AnnotationKind::Badge, AnnotationKind::Blur,
};

bool isKind(int value)
{
    return value >= 1 && value <= AnnotationKindCount;
}

QString hintFor(AnnotationKind kind)
{
    switch (kind) {
    case AnnotationKind::Text:
        return QStringLiteral("文字を置く位置をクリックして入力してください (Esc で入力を終了)");
    case AnnotationKind::Badge:
        return QStringLiteral("番号を置く位置をクリックしてください");
    case AnnotationKind::Line:
        return QStringLiteral("ドラッグして描いてください (Shift で 15° ごと)。"
                              "描いたものはクリックで選択、移動・変形・Del で削除できます");
    default:
        return QStringLiteral("ドラッグして描いてください。"
                              "描いたものはクリックで選択、移動・変形・Del で削除できます");
    }
}

} // namespace

AnnotationTools::AnnotationTools(ImageDocument& document, StatusPanels& status, Settings& settings,
                                 EditModes& modes, EditSurface& surface, TDrawPanel& panel)
    : m_document(document)
    , m_status(status)
    , m_settings(settings)
    , m_modes(modes)
    , m_surface(surface)
    , m_panel(panel)
    , m_layer(new AnnotationLayer(surface.view(), surface.origin(), m_scene))
{
    m_layer->onKey = [this](QKeyEvent* event) { key(event); };
    m_layer->onComposition = [this](QInputMethodEvent* event) { compose(event); };
    m_modes.annotatePress = [this](QPoint pixel) { press(pixel); };
    m_modes.annotateMove = [this](QPoint pixel) { move(pixel); };
    m_modes.annotateRelease = [this](QPoint pixel) { release(pixel); };
    m_modes.endAnnotating = [this] { commit(); };

    m_settings.DRAW.FONTSIZE = std::clamp(m_settings.DRAW.FONTSIZE, 6, 400);
    m_settings.DRAW.BLUR = std::clamp(m_settings.DRAW.BLUR, 1, 100);
    {
        const QSignalBlocker fontBlocker(m_panel.fontBox());
        const QSignalBlocker sizeBlocker(m_panel.fontSizeBox());
        const QSignalBlocker outlineBlocker(m_panel.outlineBox());
        const QSignalBlocker blurBlocker(m_panel.blurBox());
        if (m_settings.DRAW.FONTNAME.isEmpty())
            m_settings.DRAW.FONTNAME = QApplication::font().family();
        m_panel.fontBox()->setCurrentFont(QFont(m_settings.DRAW.FONTNAME));
        m_panel.fontSizeBox()->setValue(m_settings.DRAW.FONTSIZE);
        m_panel.outlineBox()->setChecked(m_settings.DRAW.OUTLINE);
        m_panel.blurBox()->setValue(m_settings.DRAW.BLUR);
    }
    connect(&m_panel, &TDrawPanel::toolClicked, this, &AnnotationTools::chooseTool);
    connect(m_panel.fontBox(), &QFontComboBox::currentFontChanged, this, [this](const QFont& font) {
        m_settings.DRAW.FONTNAME = font.family();
        applyTextStyle();
    });
    connect(m_panel.fontSizeBox(), &QSpinBox::valueChanged, this, [this](int size) {
        m_settings.DRAW.FONTSIZE = size;
        applyTextStyle();
    });
    connect(m_panel.outlineBox(), &QCheckBox::toggled, this, [this](bool on) {
        m_settings.DRAW.OUTLINE = on;
        applyTextStyle();
    });
    connect(m_panel.blurBox(), &QSpinBox::valueChanged, this, &AnnotationTools::applyBlurStrength);
    connect(&m_document, &ImageDocument::viewChanged, this, &AnnotationTools::pictureShown);
    connect(&m_document, &ImageDocument::tabsChanged, this, &AnnotationTools::showNextBadge);

    // Delete and Esc reach the scroll box, which has the keyboard while the mouse works on
    // the picture.
    for (QObject* above = m_surface.view()->parent(); above != nullptr; above = above->parent()) {
        if (auto* box = qobject_cast<QScrollArea*>(above)) {
            box->installEventFilter(this);
            break;
        }
    }
    raiseToolButtons();
    showNextBadge();
}

AnnotationTools::~AnnotationTools()
{
    m_modes.annotatePress = nullptr;
    m_modes.annotateMove = nullptr;
    m_modes.annotateRelease = nullptr;
    m_modes.endAnnotating = nullptr;
}

void AnnotationTools::raiseToolButtons()
{
    for (AnnotationKind kind : AllKinds) {
        const bool on = m_active == kind;
        m_panel.toolButton(kind)->setChecked(on);
        if (checkToolItem)
            checkToolItem(kind, on);
    }
}

void AnnotationTools::chooseTool(AnnotationKind kind)
{
    if (!CheckPictureShown(m_document)) {
        raiseToolButtons(); // undo the click's toggle
        return;
    }
    const std::optional<AnnotationKind> wasActive = m_active;
    m_modes.EndEditMode(); // draws what another tool left and raises every button
    if (wasActive == kind) {
        m_status.ShowStatusMessage(QString());
        return;
    }
    m_active = kind;
    m_settings.DRAW.TOOL = int(kind);
    raiseToolButtons();
    m_modes.ArmMode(ModeAnnotate);
    m_layer->setPicture(m_document.viewBitmap());
    m_layer->show();
    m_layer->raise();
    showHint();
}

void AnnotationTools::showHint()
{
    if (m_active)
        m_status.ShowStatusMessage(hintFor(*m_active));
}

void AnnotationTools::commit()
{
    if (m_committing)
        return;
    const QScopedValueRollback committing(m_committing, true);
    const bool hadKeyboard = m_layer->hasFocus();
    m_scene.editing = -1;
    m_scene.preedit.clear();
    const QList<Annotation> objects = std::exchange(m_scene.objects, {});
    m_scene.selected = -1;
    m_drag = Drag::None;
    m_layer->hide();
    if (!m_document.viewBitmap().isNull()) {
        for (const Annotation& object : objects) {
            if (object.kind == AnnotationKind::Text && object.text.trimmed().isEmpty())
                continue;
            m_document.currentImage() = DrawAnnotation(m_document.viewBitmap(), object);
            m_document.SetCurrentImage(ImageDocument::Mode::Commit);
            if (object.kind == AnnotationKind::Badge)
                m_badges.used(badgeKey(), object.number);
        }
    }
    m_layer->setPicture(QImage());
    m_active.reset();
    raiseToolButtons();
    if (hadKeyboard)
        m_surface.focusBox();
    m_status.ShowStatusMessage(QString());
    showNextBadge();
}

void AnnotationTools::pictureShown()
{
    if (m_committing)
        return;
    const QImage& view = m_document.viewBitmap();
    if (m_modes.mode() == ModeAnnotate && !view.isNull()) {
        m_layer->setPicture(view); // an edit changed the picture beneath the objects
    } else if (m_restoreLastTool && !view.isNull() && m_modes.mode() == ModeNone) {
        // The tool used last is ready again once there is a picture to draw on.
        m_restoreLastTool = false;
        if (isKind(m_settings.DRAW.TOOL))
            chooseTool(AnnotationKind(m_settings.DRAW.TOOL));
    }
    showNextBadge();
}

int AnnotationTools::badgeKey() const
{
    const int selected = m_document.selectedTab();
    return selected >= 0 ? m_document.tabs()[selected].Number : -1;
}

int AnnotationTools::nextBadgeNumber() const
{
    int next = m_badges.next(badgeKey());
    for (const Annotation& object : m_scene.objects)
        if (object.kind == AnnotationKind::Badge)
            next = std::max(next, object.number + 1);
    return next;
}

void AnnotationTools::showNextBadge()
{
    m_panel.showNextBadge(nextBadgeNumber());
}

Annotation AnnotationTools::newObject(QPointF at) const
{
    Annotation object;
    object.kind = m_active.value_or(AnnotationKind::Line);
    object.colour = ColourOfReference(m_settings.MAIN.LINECOLOR);
    object.width = LineWidthOfIndex(m_settings.MAIN.LINEWIDTH);
    object.fontFamily = m_settings.DRAW.FONTNAME;
    object.fontSize = m_settings.DRAW.FONTSIZE;
    object.outline = m_settings.DRAW.OUTLINE;
    object.sigma = m_settings.DRAW.BLUR;
    switch (object.kind) {
    case AnnotationKind::Arrow:
    case AnnotationKind::Line:
    case AnnotationKind::Blur:
        object.points = {at, at};
        break;
    case AnnotationKind::Badge:
        object.number = nextBadgeNumber();
        object.points = {at};
        break;
    default:
        object.points = {at};
        break;
    }
    return object;
}

int AnnotationTools::objectAt(QPointF point) const
{
    const double slack = m_layer->pictureUnits(3);
    for (int i = int(m_scene.objects.size()) - 1; i >= 0; --i)
        if (AnnotationHit(m_scene.objects[i], point, slack))
            return i;
    return -1;
}

void AnnotationTools::select(int index)
{
    m_scene.selected = index;
}

void AnnotationTools::changed()
{
    m_layer->sceneChanged();
    showNextBadge();
}

void AnnotationTools::press(QPoint pixel)
{
    const QPointF at = QPointF(pixel) + QPointF(0.5, 0.5);
    const int hit = objectAt(at);
    if (m_scene.editing >= 0 && hit != m_scene.editing)
        stopTyping();
    if (m_scene.editing < 0)
        m_surface.focusBox();
    m_dragFrom = at;
    m_handle = m_layer->handleAt(at);
    if (m_handle >= 0) {
        m_drag = Drag::Resize;
        return;
    }
    if (hit >= 0) {
        select(hit);
        m_drag = Drag::Move;
        if (m_scene.objects[hit].kind == AnnotationKind::Text && m_active == AnnotationKind::Text)
            startTyping(hit);
        changed();
        return;
    }
    select(-1);
    if (!m_active || !m_document.viewBitmap().rect().contains(pixel)) {
        changed();
        return;
    }
    m_scene.objects.append(newObject(at));
    const int added = int(m_scene.objects.size()) - 1;
    switch (*m_active) {
    case AnnotationKind::Text:
        select(added);
        startTyping(added);
        break;
    case AnnotationKind::Badge:
        select(added);
        m_drag = Drag::Move; // a badge can be dragged into place at once
        break;
    default:
        m_drag = Drag::Draw;
        break;
    }
    changed();
}

void AnnotationTools::move(QPoint pixel)
{
    const QPointF at = QPointF(pixel) + QPointF(0.5, 0.5);
    const QString where = QStringLiteral("[現在座標 : %1 × %2] ").arg(pixel.x()).arg(pixel.y());
    m_status.setPanelText(2, where + (m_active ? hintFor(*m_active) : QString()));
    if (m_drag == Drag::None)
        return;
    m_surface.scrollTowards(pixel);
    if (m_drag == Drag::Draw && !m_scene.objects.isEmpty()) {
        Annotation& drawn = m_scene.objects.last();
        switch (drawn.kind) {
        case AnnotationKind::Arrow:
        case AnnotationKind::Line: {
            const bool snap = QApplication::keyboardModifiers() & Qt::ShiftModifier;
            drawn.points[1] = snap ? SnapToAngle(drawn.points[0], at) : at;
            break;
        }
        case AnnotationKind::Blur:
            drawn.points[1] = at;
            break;
        default:
            if (drawn.points.last() != at)
                drawn.points.append(at);
            break;
        }
    } else if (m_drag == Drag::Move && m_scene.selected >= 0) {
        MoveAnnotation(m_scene.objects[m_scene.selected], at - m_dragFrom);
        m_dragFrom = at;
    } else if (m_drag == Drag::Resize && m_scene.selected >= 0) {
        DragAnnotationHandle(m_scene.objects[m_scene.selected], m_handle, at);
    }
    changed();
}

void AnnotationTools::release(QPoint)
{
    const Drag finished = std::exchange(m_drag, Drag::None);
    if (finished != Drag::Draw || m_scene.objects.isEmpty())
        return;
    const Annotation& drawn = m_scene.objects.last();
    const bool nothing = (drawn.kind == AnnotationKind::Arrow || drawn.kind == AnnotationKind::Line)
                             ? drawn.points[0] == drawn.points[1]
                             : drawn.kind == AnnotationKind::Blur &&
                                   BlurArea(drawn, m_document.viewBitmap().size()).width() < 2;
    if (nothing)
        m_scene.objects.removeLast(); // a click without a drag draws nothing
    else
        select(int(m_scene.objects.size()) - 1); // handles at once for adjusting it
    changed();
}

void AnnotationTools::startTyping(int index)
{
    m_scene.editing = index;
    m_scene.preedit.clear();
    m_layer->setFocus(Qt::OtherFocusReason);
}

void AnnotationTools::stopTyping()
{
    const int index = std::exchange(m_scene.editing, -1);
    m_scene.preedit.clear();
    if (index < 0 || index >= m_scene.objects.size())
        return;
    if (m_scene.objects[index].text.trimmed().isEmpty()) {
        m_scene.objects.removeAt(index); // an empty text leaves nothing behind
        if (m_scene.selected == index)
            m_scene.selected = -1;
        else if (m_scene.selected > index)
            --m_scene.selected;
    }
    m_surface.focusBox();
    changed();
}

void AnnotationTools::key(QKeyEvent* event)
{
    if (m_scene.editing < 0 || m_scene.editing >= m_scene.objects.size())
        return;
    QString& text = m_scene.objects[m_scene.editing].text;
    switch (event->key()) {
    case Qt::Key_Escape:
        stopTyping();
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        text += QLatin1Char('\n');
        break;
    case Qt::Key_Backspace:
        text.chop(1);
        break;
    default:
        if (event->text().isEmpty() || !event->text().at(0).isPrint())
            return;
        text += event->text();
        break;
    }
    event->accept();
    changed();
}

void AnnotationTools::compose(QInputMethodEvent* event)
{
    if (m_scene.editing < 0 || m_scene.editing >= m_scene.objects.size())
        return;
    m_scene.objects[m_scene.editing].text += event->commitString();
    m_scene.preedit = event->preeditString();
    changed();
}

void AnnotationTools::deleteSelected()
{
    if (m_scene.selected < 0 || m_scene.selected >= m_scene.objects.size())
        return;
    m_scene.objects.removeAt(m_scene.selected);
    m_scene.selected = -1;
    changed();
}

bool AnnotationTools::eventFilter(QObject*, QEvent* event)
{
    if (m_modes.mode() != ModeAnnotate || m_scene.editing >= 0)
        return false;
    if (event->type() != QEvent::ShortcutOverride && event->type() != QEvent::KeyPress)
        return false;
    const int pressed = static_cast<QKeyEvent*>(event)->key();
    const bool deleting =
        (pressed == Qt::Key_Delete || pressed == Qt::Key_Backspace) && m_scene.selected >= 0;
    const bool escaping = pressed == Qt::Key_Escape && m_scene.selected >= 0;
    if (!deleting && !escaping)
        return false;
    // Del removes the selected object here rather than the file the menu's Del deletes.
    event->accept();
    if (event->type() == QEvent::KeyPress) {
        if (deleting)
            deleteSelected();
        else {
            select(-1);
            changed();
        }
    }
    return true;
}

void AnnotationTools::styleChanged()
{
    const int index = m_scene.editing >= 0 ? m_scene.editing : m_scene.selected;
    if (m_modes.mode() != ModeAnnotate || index < 0 || index >= m_scene.objects.size())
        return;
    Annotation& object = m_scene.objects[index];
    object.colour = ColourOfReference(m_settings.MAIN.LINECOLOR);
    object.width = LineWidthOfIndex(m_settings.MAIN.LINEWIDTH);
    changed();
}

void AnnotationTools::applyTextStyle()
{
    const int index = m_scene.editing >= 0 ? m_scene.editing : m_scene.selected;
    if (index < 0 || index >= m_scene.objects.size() ||
        m_scene.objects[index].kind != AnnotationKind::Text)
        return;
    Annotation& text = m_scene.objects[index];
    text.fontFamily = m_settings.DRAW.FONTNAME;
    text.fontSize = m_settings.DRAW.FONTSIZE;
    text.outline = m_settings.DRAW.OUTLINE;
    changed();
}

void AnnotationTools::applyBlurStrength(int sigma)
{
    m_settings.DRAW.BLUR = sigma;
    const int index = m_scene.selected;
    if (index < 0 || index >= m_scene.objects.size() ||
        m_scene.objects[index].kind != AnnotationKind::Blur)
        return;
    m_scene.objects[index].sigma = sigma;
    changed();
}

} // namespace vistrel
