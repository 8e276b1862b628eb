#include "edit/ImageArea.h"

#include "edit/ImageDocument.h"
#include "edit/TabCaption.h"
#include "edit/UnsavedEdits.h"
#include "edit/ViewZoom.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QScrollArea>
#include <QScrollBar>
#include <QShortcut>
#include <QSignalBlocker>
#include <QTabBar>
#include <QVBoxLayout>
#include <QWheelEvent>

#include <algorithm>

namespace vistrel {

namespace {

constexpr int ViewMargin = 5;

QColor fromColourReference(int reference)
{
    return QColor(reference & 0xFF, (reference >> 8) & 0xFF, (reference >> 16) & 0xFF);
}

} // namespace

// The picture at the tab's zoom. Above 100 % only the exposed part is scaled, nearest
// neighbour, so that 32 times a large picture costs no more than the window; below, a
// smoothly shrunk copy is kept until the picture or the factor changes.
class ImageArea::PictureView : public QLabel {
public:
    void setPicture(const QImage& picture, double factor)
    {
        m_picture = picture;
        m_factor = factor;
        m_shrunk = QImage();
        ViewZoom::set(this, factor);
        adjustSize();
        update();
    }
    QSize sizeHint() const override
    {
        const QMargins margins = contentsMargins();
        const QRect shown = ViewZoom::toView(m_picture.rect(), QPoint(), m_factor);
        return shown.size().grownBy(margins);
    }

protected:
    void paintEvent(QPaintEvent* event) override
    {
        if (m_picture.isNull())
            return;
        QPainter painter(this);
        const QPoint origin = contentsRect().topLeft();
        if (m_factor == 1.0) {
            painter.drawImage(origin, m_picture);
        } else if (m_factor < 1.0) {
            if (m_shrunk.isNull())
                m_shrunk = m_picture.scaled(sizeHint().shrunkBy(contentsMargins()),
                                            Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
            painter.drawImage(origin, m_shrunk);
        } else {
            const QRect exposed =
                event->rect() & ViewZoom::toView(m_picture.rect(), origin, m_factor);
            if (exposed.isEmpty())
                return;
            // The picture pixels under the exposed part, whole pixels at the edges.
            const QPoint first = ViewZoom::toPicture(exposed.topLeft(), origin, m_factor);
            const QPoint last = ViewZoom::toPicture(exposed.bottomRight(), origin, m_factor);
            const QRect source = QRect(first, last) & m_picture.rect();
            painter.drawImage(ViewZoom::toView(source, origin, m_factor), m_picture, source);
        }
    }

private:
    QImage m_picture;
    QImage m_shrunk;
    double m_factor = 1.0;
};

ImageArea::ImageArea(ImageDocument& document, QWidget* parent)
    : QWidget(parent)
    , confirmDiscard([this](const QString& question) { return AskAboutEdits(question, this); })
    , m_document(document)
    , m_tabWindow(new QTabBar(this))
    , m_scrBoxMain(new QScrollArea(this))
    , m_imaBitmap(new PictureView)
    , m_memo1(new QPlainTextEdit(this))
{
    m_memo1->setObjectName(QStringLiteral("Memo1"));
    m_memo1->setReadOnly(true);
    m_memo1->setMaximumHeight(120);
    m_memo1->hide();
    m_tabWindow->setObjectName(QStringLiteral("tabWindow"));
    m_tabWindow->setExpanding(false);
    m_tabWindow->setDrawBase(true);
    m_tabWindow->setTabsClosable(true);
    m_tabWindow->installEventFilter(this); // a middle click closes a tab
    m_tabWindow->hide();

    m_imaBitmap->setObjectName(QStringLiteral("imaBitmap"));
    m_imaBitmap->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_imaBitmap->setContentsMargins(ViewMargin, ViewMargin, ViewMargin, ViewMargin);
    m_imaBitmap->setAutoFillBackground(false);
    m_imaBitmap->setMouseTracking(true);
    m_imaBitmap->installEventFilter(this); // the pointer's picture position

    m_scrBoxMain->setObjectName(QStringLiteral("ScrBoxMain"));
    m_scrBoxMain->setWidget(m_imaBitmap);
    m_scrBoxMain->setWidgetResizable(false);
    m_scrBoxMain->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_scrBoxMain->viewport()->installEventFilter(this); // Ctrl+wheel, and fitting on resize

    m_columns = new QHBoxLayout(this);
    m_columns->setContentsMargins(0, 0, 0, 0);
    m_columns->setSpacing(0);
    auto* layout = new QVBoxLayout;
    layout->setSpacing(0);
    layout->addWidget(m_tabWindow);
    layout->addWidget(m_scrBoxMain, 1);
    layout->addWidget(m_memo1);
    m_columns->addLayout(layout, 1);

    connect(&m_document, &ImageDocument::viewChanged, this, &ImageArea::showView);
    connect(&m_document, &ImageDocument::tabsChanged, this, &ImageArea::showTabs);
    connect(m_tabWindow, &QTabBar::currentChanged, this,
            [this](int index) { m_document.selectTab(index); });
    connect(m_tabWindow, &QTabBar::tabCloseRequested, this,
            [this](int index) { closeTabAsked(index); });
    // The keys every tabbed program offers for going through its tabs.
    for (const QKeySequence& keys :
         {QKeySequence(Qt::CTRL | Qt::Key_PageDown), QKeySequence(Qt::CTRL | Qt::Key_Tab)})
        connect(new QShortcut(keys, this), &QShortcut::activated, this, [this] { stepTab(1); });
    for (const QKeySequence& keys : {QKeySequence(Qt::CTRL | Qt::Key_PageUp),
                                     QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab)})
        connect(new QShortcut(keys, this), &QShortcut::activated, this, [this] { stepTab(-1); });
    setBackgroundColour(0x808080);
}

QLabel* ImageArea::imaBitmap() const
{
    return m_imaBitmap;
}

void ImageArea::stepTab(int step)
{
    const int count = m_tabWindow->count();
    if (count > 1)
        m_tabWindow->setCurrentIndex((m_tabWindow->currentIndex() + step + count) % count);
}

bool ImageArea::closeTabAsked(int index)
{
    if (index < 0)
        index = m_document.selectedTab();
    if (index < 0 || index >= m_document.tabs().size())
        return false;
    // Objects still being drawn on the tab are edits: drawn in first, they are asked about.
    if (index == m_document.selectedTab() && m_document.endEditMode)
        m_document.endEditMode();
    if (m_document.tabEdited(index) && !confirmDiscard(CloseEditedTabQuestion()))
        return false;
    m_document.closeTab(index);
    return true;
}

bool ImageArea::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_scrBoxMain->viewport()) {
        if (event->type() == QEvent::Wheel) {
            const auto* wheel = static_cast<QWheelEvent*>(event);
            if (wheel->modifiers() & Qt::ControlModifier) {
                if (wheel->angleDelta().y() != 0)
                    stepZoom(wheel->angleDelta().y() > 0 ? 1 : -1);
                return true;
            }
        } else if (event->type() == QEvent::Resize && m_document.zoom() == 0) {
            showView(); // the fitted factor follows the window
        }
        return QWidget::eventFilter(watched, event);
    }
    if (watched == m_imaBitmap) {
        if (event->type() == QEvent::MouseMove)
            showPointer(static_cast<QMouseEvent*>(event)->position());
        else if (event->type() == QEvent::Leave)
            Q_EMIT pointerShown(QString());
        return QWidget::eventFilter(watched, event);
    }
    if (watched == m_tabWindow && event->type() == QEvent::MouseButtonRelease) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        const int index = m_tabWindow->tabAt(mouse->position().toPoint());
        if (mouse->button() == Qt::MiddleButton && index >= 0) {
            closeTabAsked(index);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void ImageArea::setDrawPanel(QWidget* panel)
{
    m_columns->insertWidget(0, panel);
}

void ImageArea::setBackgroundColour(int colourReference)
{
    QPalette palette = m_scrBoxMain->palette();
    palette.setColor(QPalette::Window, fromColourReference(colourReference));
    m_scrBoxMain->setPalette(palette);
    m_scrBoxMain->viewport()->setPalette(palette);
    m_scrBoxMain->setBackgroundRole(QPalette::Window);
    m_scrBoxMain->viewport()->setAutoFillBackground(true);
}

double ImageArea::shownZoom() const
{
    const double factor = m_document.zoom();
    if (factor > 0)
        return factor;
    const QSize room = m_scrBoxMain->viewport()->size().shrunkBy(m_imaBitmap->contentsMargins());
    return ViewZoom::fitting(m_document.viewBitmap().size(), room);
}

void ImageArea::setZoom(double factor)
{
    // The picture point in the middle of the window stays there.
    QScrollBar* across = m_scrBoxMain->horizontalScrollBar();
    QScrollBar* down = m_scrBoxMain->verticalScrollBar();
    const QSize room = m_scrBoxMain->viewport()->size();
    const double before = shownZoom();
    const QPointF middle((across->value() + room.width() / 2.0 - ViewMargin) / before,
                         (down->value() + room.height() / 2.0 - ViewMargin) / before);
    m_document.setZoom(factor > 0 ? std::clamp(factor, ViewZoom::Smallest, ViewZoom::Largest)
                                  : 0.0);
    showView();
    const double after = shownZoom();
    across->setValue(int(middle.x() * after + ViewMargin - room.width() / 2.0));
    down->setValue(int(middle.y() * after + ViewMargin - room.height() / 2.0));
}

void ImageArea::stepZoom(int direction)
{
    setZoom(ViewZoom::step(shownZoom(), direction));
}

void ImageArea::showPointer(QPointF viewPoint)
{
    const QPoint at = ViewZoom::toPicture(viewPoint, m_imaBitmap->contentsRect().topLeft(),
                                          ViewZoom::of(m_imaBitmap));
    const bool onPicture = m_document.viewBitmap().rect().contains(at);
    Q_EMIT pointerShown(onPicture ? QStringLiteral("位置 : %1, %2").arg(at.x()).arg(at.y())
                                  : QString());
}

void ImageArea::showView()
{
    const double factor = shownZoom();
    m_imaBitmap->setPicture(m_document.viewBitmap(), factor);
    Q_EMIT zoomShown(m_document.viewBitmap().isNull() ? QString() : ViewZoom::text(factor));
}

void ImageArea::showTabs()
{
    const QSignalBlocker blocker(m_tabWindow);
    const auto& tabs = m_document.tabs();
    while (m_tabWindow->count() > tabs.size())
        m_tabWindow->removeTab(m_tabWindow->count() - 1);
    for (int i = 0; i < tabs.size(); ++i) {
        if (i >= m_tabWindow->count())
            m_tabWindow->addTab(QString());
        // A mark on the tabs whose edits are not saved yet.
        m_tabWindow->setTabText(i, (m_document.tabEdited(i) ? QStringLiteral("*") : QString()) +
                                       TabCaption(tabs[i].Title));
        m_tabWindow->setTabToolTip(i, tabs[i].Title);
    }
    const int selected = m_document.selectedTab();
    m_tabWindow->setCurrentIndex(selected);
    m_tabWindow->setToolTip(selected >= 0 ? tabs[selected].Title : QString());
    m_tabWindow->setVisible(!tabs.isEmpty());
}

} // namespace vistrel
