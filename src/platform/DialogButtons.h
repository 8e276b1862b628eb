#pragma once

#include <functional>

class QDialog;
class QDialogButtonBox;

namespace vistrel {

// The "&OK" / "キャンセル" / "ヘルプ(&H)" row of the settings dialogs, named butOK,
// butCancel and butHelp: OK accepts (the default button), Cancel rejects, Help
// calls `help`.
QDialogButtonBox* OkCancelHelpButtons(QDialog* dialog, std::function<void()> help);

} // namespace vistrel
