#pragma once

#include <QIcon>
#include <QString>

class QWidget;

namespace vistrel {

// A program's icon: the theme's icon of its name when the theme has one
// ("gimp" for /usr/bin/gimp), else a generic executable icon.
QIcon ToolIcon(const QString& programPath);

// The open-file dialog for a program: folders and files with the execute bit.
QString ChooseProgramFile(QWidget* parent, const QString& start);

} // namespace vistrel
