#include "edit/shapes/TDrawPanel.h"

#include "edit/filters/GaussianBlur.h"
#include "edit/shapes/ShapeDrawing.h"

#include <QCheckBox>
#include <QFontComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QScrollArea>
#include <QSpinBox>
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

Annotation iconObject(AnnotationKind kind, QPolygonF points, QColor colour = Qt::black)
{
    Annotation object;
    object.kind = kind;
    object.points = std::move(points);
    object.colour = colour;
    return object;
}

} // namespace

QIcon AnnotationToolIcon(AnnotationKind kind, int badgeNumber)
{
    QImage picture(16, 16, QImage::Format_ARGB32_Premultiplied);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    switch (kind) {
    case AnnotationKind::Arrow:
        PaintAnnotation(painter, iconObject(kind, {{1.5, 14.5}, {14.5, 1.5}}), picture);
        break;
    case AnnotationKind::Line:
        PaintAnnotation(painter, iconObject(kind, {{1.5, 14.5}, {14.5, 1.5}}), picture);
        break;
    case AnnotationKind::Pen:
        PaintAnnotation(
            painter, iconObject(kind, {{1.5, 12.5}, {4.5, 4.5}, {8, 11}, {11.5, 3.5}, {14.5, 9}}),
            picture);
        break;
    case AnnotationKind::Marker:
        painter.fillRect(2, 7, 12, 2, Qt::black); // a line of text under the marker
        painter.setCompositionMode(QPainter::CompositionMode_Multiply);
        painter.fillRect(1, 4, 14, 8, QColor(255, 230, 0));
        break;
    case AnnotationKind::Text: {
        QFont font = painter.font();
        font.setPixelSize(15);
        font.setBold(true);
        painter.setFont(font);
        painter.drawText(picture.rect(), Qt::AlignCenter, QStringLiteral("A"));
        break;
    }
    case AnnotationKind::Badge: {
        // A badge of the thinnest line, shrunk to fill the button.
        Annotation badge = iconObject(kind, {{0, 0}}, QColor(220, 0, 0));
        badge.number = badgeNumber;
        painter.translate(8, 8);
        painter.scale(0.6, 0.6);
        PaintAnnotation(painter, badge, picture);
        break;
    }
    case AnnotationKind::Blur:
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 4; ++x)
                painter.fillRect(x * 4, y * 4, 4, 4,
                                 (x + y) % 2 ? QColor(90, 90, 90) : QColor(170, 170, 170));
        painter.end();
        picture = GaussianBlurred(picture, picture.rect().adjusted(4, 4, -4, -4), 1.0);
        break;
    }
    return QIcon(QPixmap::fromImage(picture));
}

void TDrawPanel::showNextBadge(int number)
{
    QToolButton* badge = toolButton(AnnotationKind::Badge);
    badge->setIcon(AnnotationToolIcon(AnnotationKind::Badge, number));
    badge->setToolTip(QStringLiteral("番号 (次は %1)").arg(number));
}

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
    , m_fontBox(new QFontComboBox(this))
    , m_fontSizeBox(new QSpinBox(this))
    , m_outlineBox(new QCheckBox(QStringLiteral("縁取り"), this))
    , m_blurBox(new QSpinBox(this))
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

    const struct {
        AnnotationKind kind;
        const char* name;
        const char* hint;
    } drawingTools[] = {{AnnotationKind::Arrow, "tButDrawArrow", "矢印"},
                        {AnnotationKind::Line, "tButDrawLine", "直線"},
                        {AnnotationKind::Pen, "tButDrawPen", "ペン"},
                        {AnnotationKind::Marker, "tButDrawMarker", "マーカー"},
                        {AnnotationKind::Text, "tButDrawText", "テキスト"},
                        {AnnotationKind::Badge, "tButDrawBadge", "番号"},
                        {AnnotationKind::Blur, "tButDrawBlur", "ぼかし"}};
    auto* toolGrid = new QGridLayout;
    toolGrid->setSpacing(1);
    int place = 0;
    for (const auto& tool : drawingTools) {
        auto* button = new QToolButton(this);
        button->setObjectName(QString::fromLatin1(tool.name));
        button->setToolTip(QString::fromUtf8(tool.hint));
        button->setIcon(AnnotationToolIcon(tool.kind));
        button->setCheckable(true); // kept pressed by the drawing tools, not by the click
        button->setAutoRaise(true);
        connect(button, &QToolButton::clicked, this,
                [this, kind = tool.kind] { Q_EMIT toolClicked(kind); });
        m_tools[int(tool.kind) - 1] = button;
        toolGrid->addWidget(button, place / 3, place % 3);
        ++place;
    }
    toolGrid->setColumnStretch(3, 1); // three to a row, so that a scroll bar never hides one

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

    m_fontBox->setObjectName(QStringLiteral("cmbDrawFont"));
    m_fontBox->setToolTip(QStringLiteral("文字のフォント"));
    m_fontBox->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_fontBox->setMinimumContentsLength(4);
    // Chosen from the list (typing still jumps to a name): an editable box would show the
    // end of a long font name, cut at its start.
    m_fontBox->setEditable(false);
    m_fontSizeBox->setObjectName(QStringLiteral("spnDrawFontSize"));
    m_fontSizeBox->setRange(6, 400);
    m_fontSizeBox->setSuffix(QStringLiteral(" px"));
    m_fontSizeBox->setToolTip(QStringLiteral("文字の大きさ"));
    m_outlineBox->setObjectName(QStringLiteral("chkDrawOutline"));
    m_outlineBox->setToolTip(QStringLiteral("どんな背景でも読めるように文字を縁取る"));
    m_blurBox->setObjectName(QStringLiteral("spnDrawBlur"));
    m_blurBox->setRange(1, 100);
    m_blurBox->setToolTip(QStringLiteral("ぼかしの強さ (ピクセル)"));

    auto* textTools = new QGridLayout;
    textTools->addWidget(new QLabel(QStringLiteral("文字")), 0, 0, 1, 2);
    textTools->addWidget(m_fontBox, 1, 0, 1, 2);
    textTools->addWidget(m_fontSizeBox, 2, 0);
    textTools->addWidget(m_outlineBox, 3, 0, 1, 2);
    textTools->addWidget(new QLabel(QStringLiteral("ぼかしの強さ")), 4, 0, 1, 2);
    textTools->addWidget(m_blurBox, 5, 0);

    auto* content = new QWidget;
    auto* layout = new QVBoxLayout(content);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->addLayout(figureRow);
    layout->addLayout(toolGrid);
    layout->addSpacing(6);
    layout->addLayout(tools);
    layout->addSpacing(6);
    layout->addLayout(textTools);
    layout->addStretch();
    // The tools scroll rather than make the window taller than the user left it.
    auto* scroller = new QScrollArea(this);
    scroller->setFrameShape(QFrame::NoFrame);
    scroller->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroller->setWidgetResizable(true);
    scroller->setWidget(content);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(scroller);
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
