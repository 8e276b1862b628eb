#pragma once

#include <QObject>
#include <QString>

namespace vistrel {

// Tells the file pane that a picture file was written, so it can refresh its folder.
class PictureFileEvents : public QObject {
    Q_OBJECT
public:
    static PictureFileEvents& instance();
Q_SIGNALS:
    void pictureFileWritten(const QString& folder);
};

} // namespace vistrel
