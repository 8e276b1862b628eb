#pragma once

#include <QString>

namespace vistrel {

// Whether an after-capture action code (1 to 9) is built and can be carried out. The
// command line lists only these and refuses the others with a non-zero status.
bool IsAfterActionAvailable(int code);

// The action as the menus and the toolbar's box name it ("何もしない" for 0); empty outside
// 0 to 9.
QString AfterActionCaption(int code);

} // namespace vistrel
