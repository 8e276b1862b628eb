#pragma once

#include <QImage>
#include <QString>

#include <functional>

namespace vistrel {

// The temporary pictures of the tabs ("Tab" + n + ".cbmp") and of the scroll
// capture ("Scr" + n + ".cbmp"): plain BMP files in the program's private
// temporary folder, in the picture's own pixel format.
class TempPictures {
public:
    enum class Kind { Tab, Scroll };

    // `folder` is asked for lazily, so that the folder is made on first use.
    explicit TempPictures(std::function<QString()> folder);

    QString path(Kind kind, int number) const;
    void WriteTempPicture(const QImage& bitmap, Kind kind, int number) const;
    // Leaves the bitmap as it was when the file does not exist.
    void ReadTempPicture(QImage& bitmap, Kind kind, int number) const;
    // Deletes numbers 0 to `last`; -1 means 200 for scroll frames, 50 for tabs.
    void DeleteTempPictures(Kind kind, int last = -1) const;

private:
    std::function<QString()> m_folder;
};

} // namespace vistrel
