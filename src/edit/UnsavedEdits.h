#pragma once

#include <QString>

class QWidget;

namespace vistrel {

// The questions about unsaved edits: Yes or No, the default being the answer that keeps the
// work, so that a key pressed by mistake loses nothing.
bool AskAboutEdits(const QString& question, QWidget* parent, bool yesKeepsThem = false);

// Asked before a tab with unsaved edits is closed.
QString CloseEditedTabQuestion();
// Asked once before the program ends while any tab holds unsaved edits.
QString ExitWithEditsQuestion();
// Asked at start when the last session ended with unsaved edits kept.
QString RestoreKeptEditsQuestion(int count);

} // namespace vistrel
