#include "edit/annotate/AnnotationLayer.h"

#include "edit/ViewZoom.h"

#include <QFontMetricsF>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QPaintEvent>
#include <QPainter>

#include <cmath>

namespace vistrel {

namespace {

// The object as it is shown: a text being typed with its composition.
Annotation shownObject(const AnnotationScene& scene, int index)
{
    Annotation shown = scene.objects[index];
    if (index == scene.editing)
        shown.text += scene.preedit;
    return shown;
}

QImage::Format paintableFormat(const QImage& picture)
{
    return picture.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32;
}

} // namespace

AnnotationLayer::AnnotationLayer(QWidget* view, QPoint origin, const AnnotationScene& scene)
    : QWidget(view), m_origin(origin), m_scene(scene)
{
    setObjectName(QStringLiteral("annotationLayer"));
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_InputMethodEnabled);
    setFocusPolicy(Qt::ClickFocus);
    setGeometry(view->rect());
    view->installEventFilter(this); // follows the view as it resizes to each picture
    hide();
}

void AnnotationLayer::setPicture(const QImage& picture)
{
    m_picture = picture.convertToFormat(paintableFormat(picture));
    m_composed = m_picture;
    m_composedArea = QRect();
    sceneChanged();
}

QRectF AnnotationLayer::objectsArea() const
{
    QRectF area;
    for (int i = 0; i < m_scene.objects.size(); ++i)
        area |= AnnotationBounds(shownObject(m_scene, i));
    return area;
}

void AnnotationLayer::sceneChanged()
{
    if (m_picture.isNull())
        return;
    const QRect area = objectsArea().toAlignedRect().adjusted(-2, -2, 2, 2);
    // Everything that held or holds an object is drawn again from the picture, every object
    // in order, so that a blur sees what lies beneath it just as committing will.
    const QRect redrawn = (area | m_composedArea) & m_picture.rect();
    if (!redrawn.isEmpty()) {
        QPainter painter(&m_composed);
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.drawImage(redrawn.topLeft(), m_picture, redrawn);
        painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
        painter.setClipRect(redrawn);
        for (int i = 0; i < m_scene.objects.size(); ++i)
            PaintAnnotation(painter, m_scene.objects[i], m_composed,
                            i == m_scene.editing ? m_scene.preedit : QString());
    }
    m_composedArea = area & m_picture.rect();
    update();
    if (m_scene.editing >= 0)
        updateMicroFocus();
}

double AnnotationLayer::zoom() const
{
    return ViewZoom::of(parentWidget());
}

double AnnotationLayer::pictureUnits(double viewPixels) const
{
    return viewPixels / zoom();
}

QPointF AnnotationLayer::toView(QPointF picturePoint) const
{
    return QPointF(m_origin) + picturePoint * zoom();
}

QRectF AnnotationLayer::toView(const QRectF& pictureRect) const
{
    return {toView(pictureRect.topLeft()), pictureRect.size() * zoom()};
}

int AnnotationLayer::handleAt(QPointF picturePoint) const
{
    if (m_scene.selected < 0 || m_scene.selected >= m_scene.objects.size())
        return -1;
    const QList<QPointF> handles = AnnotationHandles(m_scene.objects[m_scene.selected]);
    const double reach = pictureUnits(HandleSize / 2.0 + 2);
    for (int i = 0; i < handles.size(); ++i) {
        const QPointF offset = handles[i] - picturePoint;
        if (std::abs(offset.x()) <= reach && std::abs(offset.y()) <= reach)
            return i;
    }
    return -1;
}

QRectF AnnotationLayer::caret() const
{
    if (m_scene.editing < 0 || m_scene.editing >= m_scene.objects.size())
        return {};
    const Annotation shown = shownObject(m_scene, m_scene.editing);
    const QFontMetricsF metrics(AnnotationFont(shown));
    const QStringList lines = shown.text.split(QLatin1Char('\n'));
    const QPointF top =
        shown.points.value(0) + QPointF(metrics.horizontalAdvance(lines.last()),
                                        metrics.lineSpacing() * double(lines.size() - 1));
    return {top, QSizeF(1, metrics.ascent() + metrics.descent())};
}

void AnnotationLayer::paintPicture(QPainter& painter, const QRect& exposed)
{
    const double factor = zoom();
    const QRect shown = ViewZoom::toView(m_composed.rect(), m_origin, factor);
    const QRect target = exposed & shown;
    if (target.isEmpty())
        return;
    if (factor == 1.0) {
        painter.drawImage(target.topLeft(), m_composed, target.translated(-m_origin));
    } else if (factor < 1.0) {
        painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
        painter.drawImage(shown, m_composed);
    } else {
        // Whole picture pixels, as the view shows them above 100 %.
        const QPoint first = ViewZoom::toPicture(target.topLeft(), m_origin, factor);
        const QPoint last = ViewZoom::toPicture(target.bottomRight(), m_origin, factor);
        const QRect source = QRect(first, last) & m_composed.rect();
        painter.drawImage(ViewZoom::toView(source, m_origin, factor), m_composed, source);
    }
}

void AnnotationLayer::paintSelection(QPainter& painter)
{
    painter.setRenderHint(QPainter::Antialiasing, false);
    if (m_scene.selected >= 0 && m_scene.selected < m_scene.objects.size()) {
        const Annotation& selected = m_scene.objects[m_scene.selected];
        QPen dotted(QColor(0, 120, 215), 1, Qt::DotLine);
        painter.setPen(dotted);
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(toView(AnnotationBounds(shownObject(m_scene, m_scene.selected))));
        painter.setPen(QPen(Qt::black, 1));
        painter.setBrush(Qt::white);
        for (const QPointF& handle : AnnotationHandles(selected)) {
            const QPointF at = toView(handle);
            painter.drawRect(QRectF(at.x() - HandleSize / 2, at.y() - HandleSize / 2,
                                    HandleSize - 1, HandleSize - 1));
        }
    }
    const QRectF cursor = caret();
    if (!cursor.isNull()) {
        painter.setPen(QPen(Qt::black, 1));
        const QRectF at = toView(cursor);
        painter.drawLine(at.topLeft(), at.bottomLeft());
    }
}

void AnnotationLayer::paintEvent(QPaintEvent* event)
{
    if (m_composed.isNull())
        return;
    QPainter painter(this);
    paintPicture(painter, event->rect());
    paintSelection(painter);
}

bool AnnotationLayer::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == parent() && event->type() == QEvent::Resize)
        setGeometry(parentWidget()->rect());
    return QWidget::eventFilter(watched, event);
}

bool AnnotationLayer::event(QEvent* event)
{
    // While a text is typed, plain keys are text, not the menu's shortcuts (Del deletes a
    // file there).
    if (event->type() == QEvent::ShortcutOverride && m_scene.editing >= 0) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (!(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))) {
            event->accept();
            return true;
        }
    }
    return QWidget::event(event);
}

void AnnotationLayer::keyPressEvent(QKeyEvent* event)
{
    if (onKey)
        onKey(event);
    else
        QWidget::keyPressEvent(event);
}

void AnnotationLayer::inputMethodEvent(QInputMethodEvent* event)
{
    if (onComposition)
        onComposition(event);
    event->accept();
}

QVariant AnnotationLayer::inputMethodQuery(Qt::InputMethodQuery query) const
{
    const bool editing = m_scene.editing >= 0 && m_scene.editing < m_scene.objects.size();
    switch (query) {
    case Qt::ImEnabled:
        return editing;
    case Qt::ImCursorRectangle:
        return toView(caret()).toAlignedRect();
    case Qt::ImFont:
        return editing ? AnnotationFont(m_scene.objects[m_scene.editing]) : font();
    case Qt::ImSurroundingText:
        return editing ? m_scene.objects[m_scene.editing].text : QString();
    case Qt::ImCursorPosition:
    case Qt::ImAnchorPosition:
        return editing ? int(m_scene.objects[m_scene.editing].text.size()) : 0;
    case Qt::ImHints:
        return int(Qt::ImhMultiLine);
    default:
        return QWidget::inputMethodQuery(query);
    }
}

} // namespace vistrel
