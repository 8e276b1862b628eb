#include "edit/ImageArea.h"

#include "edit/ImageDocument.h"
#include "edit/TabCaption.h"
#include "edit/UnsavedEdits.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QScrollArea>
#include <QShortcut>
#include <QSignalBlocker>
#include <QTabBar>
#include <QVBoxLayout>

namespace vistrel {

namespace {

constexpr int ViewMargin = 5;

QColor fromColourReference(int reference)
{
    return QColor(reference & 0xFF, (reference >> 8) & 0xFF, (reference >> 16) & 0xFF);
}

} // namespace

ImageArea::ImageArea(ImageDocument& document, QWidget* parent)
    : QWidget(parent)
    , confirmDiscard([this](const QString& question) { return AskToDiscardEdits(question, this); })
    , m_document(document)
    , m_tabWindow(new QTabBar(this))
    , m_scrBoxMain(new QScrollArea(this))
    , m_imaBitmap(new QLabel)
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

    m_scrBoxMain->setObjectName(QStringLiteral("ScrBoxMain"));
    m_scrBoxMain->setWidget(m_imaBitmap);
    m_scrBoxMain->setWidgetResizable(false);
    m_scrBoxMain->setAlignment(Qt::AlignLeft | Qt::AlignTop);

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
    if (m_document.tabEdited(index) && !confirmDiscard(CloseEditedTabQuestion()))
        return false;
    m_document.closeTab(index);
    return true;
}

bool ImageArea::eventFilter(QObject* watched, QEvent* event)
{
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

void ImageArea::showView()
{
    const QImage& view = m_document.viewBitmap();
    m_imaBitmap->setPixmap(view.isNull() ? QPixmap() : QPixmap::fromImage(view));
    m_imaBitmap->adjustSize();
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
