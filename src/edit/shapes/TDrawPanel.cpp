#include "edit/shapes/TDrawPanel.h"

#include "edit/shapes/ShapeDrawing.h"

#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QToolButton>
#include <QVBoxLayout>

namespace vistrel {

namespace {

QIcon figureIcon(BandKind kind)
{
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setPen(QPen(Qt::black, 1));
    DrawRubberBand(painter, kind, {1, 3}, {15, 13});
    return QIcon(pixmap);
}

// Four colour spots: the button that opens the colour chooser.
QIcon paletteIcon()
{
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setPen(QPen(Qt::black, 1));
    const QColor spots[] = {Qt::red, Qt::green, Qt::blue, Qt::yellow};
    for (int i = 0; i < 4; ++i) {
        painter.setBrush(spots[i]);
        painter.drawRect(1 + (i % 2) * 7, 1 + (i / 2) * 7, 6, 6);
    }
    return QIcon(pixmap);
}

} // namespace

QIcon LineIcon(int lineIndex)
{
    QPixmap pixmap(40, 12);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    QPen pen = ShapePen(0, lineIndex);
    pen.setCapStyle(Qt::FlatCap);
    painter.setPen(pen);
    painter.drawLine(2, 6, 38, 6);
    return QIcon(pixmap);
}

TDrawPanel::TDrawPanel(QWidget* parent)
    : QWidget(parent)
    , m_tbutDrawColor(new QToolButton(this))
    , m_tbutDrawLine(new QToolButton(this))
    , m_shpDrawColor(new QFrame(this))
{
    setObjectName(QStringLiteral("pnlDraw"));
    setFixedWidth(PanelWidth);
    const struct {
        BandKind kind;
        const char* name;
        const char* hint;
    } figures[] = {{BandKind::Rectangle, "tButLineRange", "四角"},
                   {BandKind::RoundRect, "tButLineRound", "角の丸い四角"},
                   {BandKind::Ellipse, "tButLineEllipse", "楕円"}};
    auto* figureRow = new QHBoxLayout;
    figureRow->setSpacing(1);
    for (const auto& figure : figures) {
        auto* button = new QToolButton(this);
        button->setObjectName(QString::fromLatin1(figure.name));
        button->setToolTip(QString::fromUtf8(figure.hint));
        button->setIcon(figureIcon(figure.kind));
        button->setCheckable(true); // kept pressed by the shape tools, not by the click
        button->setAutoRaise(true);
        connect(button, &QToolButton::clicked, this,
                [this, kind = figure.kind] { Q_EMIT figureClicked(kind); });
        m_figures[int(figure.kind)] = button;
        figureRow->addWidget(button);
    }
    figureRow->addStretch();

    m_tbutDrawColor->setObjectName(QStringLiteral("tbutDrawColor"));
    m_tbutDrawColor->setAutoRaise(true);
    m_tbutDrawColor->setIcon(paletteIcon());
    m_tbutDrawColor->setToolTip(QStringLiteral("線の色"));
    connect(m_tbutDrawColor, &QToolButton::clicked, this, &TDrawPanel::colourClicked);
    m_shpDrawColor->setObjectName(QStringLiteral("shpDrawColor"));
    m_shpDrawColor->setFixedSize(22, 16);
    m_shpDrawColor->setFrameStyle(QFrame::Box | QFrame::Plain);
    m_shpDrawColor->setAutoFillBackground(true);

    m_tbutDrawLine->setObjectName(QStringLiteral("tbutDrawLine"));
    m_tbutDrawLine->setPopupMode(QToolButton::InstantPopup);
    m_tbutDrawLine->setIconSize(QSize(40, 12));
    m_tbutDrawLine->setAutoRaise(true);

    auto* tools = new QGridLayout;
    tools->addWidget(new QLabel(QStringLiteral("線の色")), 0, 0, 1, 2);
    tools->addWidget(m_tbutDrawColor, 1, 0);
    tools->addWidget(m_shpDrawColor, 1, 1);
    tools->addWidget(new QLabel(QStringLiteral("線の幅")), 2, 0, 1, 2);
    tools->addWidget(m_tbutDrawLine, 3, 0, 1, 2);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->addLayout(figureRow);
    layout->addSpacing(6);
    layout->addLayout(tools);
    layout->addStretch();
}

void TDrawPanel::showColour(int colourReference)
{
    QPalette palette = m_shpDrawColor->palette();
    palette.setColor(QPalette::Window, ColourOfReference(colourReference));
    m_shpDrawColor->setPalette(palette);
}

void TDrawPanel::showLine(int lineIndex)
{
    m_tbutDrawLine->setIcon(LineIcon(lineIndex));
}

void TDrawPanel::setLineMenu(QMenu* menu)
{
    m_tbutDrawLine->setMenu(menu);
}

} // namespace vistrel
