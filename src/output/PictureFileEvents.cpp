#include "output/PictureFileEvents.h"

namespace vistrel {

PictureFileEvents& PictureFileEvents::instance()
{
    static PictureFileEvents events;
    return events;
}

} // namespace vistrel

// Compiled here rather than with the folder's other meta-objects, which bring the dialogs.
#include "moc_PictureFileEvents.cpp"
