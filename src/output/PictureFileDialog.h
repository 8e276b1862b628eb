#pragma once

#include "output/PictureFilePrompts.h"

#include <QFileDialog>

#include <memory>

namespace vistrel {

// Qt's file dialog set up from a request. Qt squeezes the spaces out of filter texts, so the
// entries are relabelled afterwards to show the labels exactly.
class PictureFileDialog {
public:
    static std::unique_ptr<QFileDialog> create(QWidget* parent, const FileDialogRequest& request,
                                               bool save);
    // The 1-based entry selected in a dialog made by create().
    static int selectedEntry(const QFileDialog& dialog);
};

} // namespace vistrel
