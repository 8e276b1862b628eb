#pragma once

#include <QDateTime>
#include <QList>
#include <QString>

#include <optional>

namespace vistrel {

// One picture file of a listed folder.
struct ListedFile {
    QString name; // without the folder
    qint64 size = 0;
    QDateTime modified;
};

// Whether the name ends in .bmp, .jpg, .jpeg, .png or .gif, in any case.
bool isPictureFileName(const QString& name);
// The size column: kilobytes rounded up, "%dKB".
QString fileSizeText(qint64 bytes);
// The date column: "yyyy/MM/dd hh:mm".
QString fileDateText(const QDateTime& modified);

// The picture file `name` in `folder` as it is now; nullopt when it is gone or is no
// picture file.
std::optional<ListedFile> listPictureFile(const QString& folder, const QString& name);

// The picture files directly inside `folder` (no folders, no other files), in no
// particular order. A folder that cannot be read gives an empty list.
QList<ListedFile> listPictureFiles(const QString& folder);

// The list's sort state: the column (0 name, 1 size, 2 date) and one direction per
// column. A click on a header turns that column's direction round and sorts by it.
class FileSortOrder {
public:
    int column() const { return m_column; }
    int direction(int column) const { return m_direction[column]; }
    void headerClicked(int column);
    // Sorts by the current column; equal entries keep name order.
    void sort(QList<ListedFile>& files) const;
    // Whether `a` comes before `b` in that order.
    bool before(const ListedFile& a, const ListedFile& b) const;

private:
    int m_column = 0;
    // The first click on the size header sorts the smallest first, on the date
    // header the newest first; the name column starts sorted A to Z.
    int m_direction[3] = {1, -1, 1};
};

} // namespace vistrel
