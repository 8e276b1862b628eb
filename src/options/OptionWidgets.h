#pragma once

#include <QString>

#include <initializer_list>

class QButtonGroup;
class QFrame;
class QGroupBox;
class QLabel;
class QRadioButton;
class QSpinBox;
class QWidget;

// Small builders for the options dialog's pages, which are laid out in code.
namespace vistrel::optionui {

QString utf8(const char* text);

template <class Widget>
Widget* named(Widget* widget, const char* name)
{
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

// An up-down control whose edit field carries its own name, as the dialog's pairs do.
QSpinBox* spin(const char* spinName, const char* editName, int minimum, int maximum, int step,
               int chars);
QLabel* caption(const char* text, QWidget* buddy = nullptr);
// Widgets side by side, left aligned, or with the first one taking the width.
QWidget* row(std::initializer_list<QWidget*> widgets, bool stretchFirst = false);
QGroupBox* group(const char* title, std::initializer_list<QWidget*> widgets);
QWidget* page(std::initializer_list<QWidget*> groups);
QFrame* colourSample(const char* name);
// Fills a sample with a colour reference 0x00BBGGRR.
void paintSample(QFrame* sample, int reference);
QRadioButton* radio(QButtonGroup* group, int id, const char* name, const char* text);
// Checks the button of `id`, or none when the stored value has no button.
void checkId(QButtonGroup* group, int id);
// The checked button's id, or `keep` when none is checked.
int checkedOr(const QButtonGroup* group, int keep);

} // namespace vistrel::optionui
