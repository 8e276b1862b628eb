#pragma once

#include <QString>

class QWidget;

namespace vistrel {

// The questions asked before unsaved edits go: Yes or No, No the default, so that a key
// pressed by mistake keeps the work.
bool AskToDiscardEdits(const QString& question, QWidget* parent);

// Asked before a tab with unsaved edits is closed.
QString CloseEditedTabQuestion();
// Asked once before the program ends while any tab holds unsaved edits.
QString ExitWithEditsQuestion();

} // namespace vistrel
