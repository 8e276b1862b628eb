#pragma once

#include "output/PictureFilePrompts.h"
#include "output/PictureSaveOptions.h"

#include <QImage>
#include <QString>

class QWidget;

namespace vistrel {

// The settings the two commands read and update: MAIN/CURDIR and OBJECT/ASSAVETYPE.
struct PictureFileSettings {
    QString curDir;
    int asSaveType = 1;
    QString openedPath; // the file OpenPictureFile read last
};

// The Save-As dialog for a family (1 bitmap, 2 JPEG, 3 PNG, 4 GIF): asks for the file and
// the type, confirms an overwrite, updates `settings` and writes `picture`. True when a file
// was written. Write errors throw std::runtime_error (after the settings were updated).
// `fallbackFolder` is where the dialog opens while MAIN/CURDIR is empty.
bool ExecuteSaveAs(int family, const QImage& picture, PictureFileSettings& settings,
                   const PictureSaveOptions& options, const QString& fallbackFolder,
                   PictureFilePrompts& prompts);
bool ExecuteSaveAs(QWidget* parent, int family, const QImage& picture,
                   PictureFileSettings& settings, const PictureSaveOptions& options,
                   const QString& fallbackFolder);

// The open command: asks for a picture file, records its folder in MAIN/CURDIR whether or
// not it loads, and returns the picture, or a null one when cancelled or when the file is
// not a picture file by its extension. The caller then resets the current image with it.
// Corrupt files throw std::runtime_error.
QImage OpenPictureFile(PictureFileSettings& settings, const QString& fallbackFolder,
                       PictureFilePrompts& prompts);
QImage OpenPictureFile(QWidget* parent, PictureFileSettings& settings,
                       const QString& fallbackFolder);

} // namespace vistrel
