#include "options/OptionWidgets.h"

#include "options/OptionRules.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QFrame>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace vistrel::optionui {

QString utf8(const char* text)
{
    return QString::fromUtf8(text);
}

QSpinBox* spin(const char* spinName, const char* editName, int minimum, int maximum, int step,
               int chars)
{
    auto* box = named(new QSpinBox, spinName);
    box->setRange(minimum, maximum);
    box->setSingleStep(step);
    if (auto* edit = box->findChild<QLineEdit*>()) {
        edit->setObjectName(QString::fromLatin1(editName));
        edit->setMaxLength(chars);
    }
    return box;
}

QLabel* caption(const char* text, QWidget* buddy)
{
    auto* label = new QLabel(utf8(text));
    label->setBuddy(buddy);
    return label;
}

QWidget* row(std::initializer_list<QWidget*> widgets, bool stretchFirst)
{
    auto* holder = new QWidget;
    auto* layout = new QHBoxLayout(holder);
    layout->setContentsMargins(0, 0, 0, 0);
    bool first = true;
    for (QWidget* widget : widgets) {
        layout->addWidget(widget, first && stretchFirst ? 1 : 0);
        first = false;
    }
    if (!stretchFirst)
        layout->addStretch(1);
    return holder;
}

QGroupBox* group(const char* title, std::initializer_list<QWidget*> widgets)
{
    auto* box = new QGroupBox(utf8(title));
    auto* layout = new QVBoxLayout(box);
    for (QWidget* widget : widgets)
        layout->addWidget(widget);
    return box;
}

QWidget* page(std::initializer_list<QWidget*> groups)
{
    auto* holder = new QWidget;
    auto* layout = new QVBoxLayout(holder);
    for (QWidget* widget : groups)
        layout->addWidget(widget);
    layout->addStretch(1);
    return holder;
}

QFrame* colourSample(const char* name)
{
    auto* sample = named(new QFrame, name);
    sample->setFrameShape(QFrame::Box);
    sample->setFixedSize(48, 20);
    sample->setAutoFillBackground(true);
    return sample;
}

void paintSample(QFrame* sample, int reference)
{
    const RgbColour c = FromColourReference(reference);
    QPalette palette = sample->palette();
    palette.setColor(QPalette::Window, QColor(c.red, c.green, c.blue));
    sample->setPalette(palette);
}

QRadioButton* radio(QButtonGroup* group, int id, const char* name, const char* text)
{
    auto* button = named(new QRadioButton(utf8(text)), name);
    group->addButton(button, id);
    return button;
}

void checkId(QButtonGroup* group, int id)
{
    if (QAbstractButton* button = group->button(id)) {
        button->setChecked(true);
        return;
    }
    group->setExclusive(false);
    for (QAbstractButton* button : group->buttons())
        button->setChecked(false);
    group->setExclusive(true);
}

int checkedOr(const QButtonGroup* group, int keep)
{
    return group->checkedId() < 0 ? keep : group->checkedId();
}

} // namespace vistrel::optionui
