#pragma once

#include <QImage>
#include <QString>

#include <functional>
#include <memory>

namespace vistrel {

// The temporary pictures of the tabs ("Tab" + n + ".cbmp") and of the scroll
// capture ("Scr" + n + ".cbmp"): plain BMP files in the program's private
// temporary folder, in the picture's own pixel format. They are scratch copies,
// written on a thread of their own so that an edit or a scroll step never waits for
// the disk, and never flushed to it.
class TempPictures {
public:
    enum class Kind { Tab, Scroll };

    // `folder` is asked for lazily, so that the folder is made on first use.
    explicit TempPictures(std::function<QString()> folder);
    ~TempPictures();
    TempPictures(const TempPictures&) = delete;
    TempPictures& operator=(const TempPictures&) = delete;

    QString path(Kind kind, int number) const;
    // Hands the picture to the writing thread and returns; a newer picture for the same
    // file that arrives before it is written replaces it.
    void WriteTempPicture(const QImage& bitmap, Kind kind, int number) const;
    // Waits for the file's pending write. Leaves the bitmap as it was when the file does
    // not exist; throws std::runtime_error "<path> に書き込めません" plus the cause when its
    // write failed.
    void ReadTempPicture(QImage& bitmap, Kind kind, int number) const;
    // Deletes numbers 0 to `last`; -1 means 200 for scroll frames, 50 for tabs. Their
    // pending writes are dropped first.
    void DeleteTempPictures(Kind kind, int last = -1) const;
    // Waits until every picture handed over has been written.
    void waitForWrites() const;

    class Writer;

private:
    std::function<QString()> m_folder;
    std::unique_ptr<Writer> m_writer;
};

} // namespace vistrel
