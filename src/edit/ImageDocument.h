#pragma once

#include "edit/TempPictures.h"
#include "edit/UndoHistory.h"

#include <QImage>
#include <QList>
#include <QObject>

#include <functional>

namespace vistrel {

// The current image, the view bitmap shown in the image area, the undo list
// and the capture tabs with their temporary pictures.
class ImageDocument : public QObject {
    Q_OBJECT

public:
    enum class Mode { Commit = 0, Reset = 1, ShowOnly = 2 };

    struct TTabRec {
        QString Title;
        int Number = 0; // the tab's temporary picture "Tab" + Number + ".cbmp"
    };

    ImageDocument(const TempPictures& temp, std::function<int()> tabMaximum,
                  QObject* parent = nullptr);

    // Editing commands and loaders change this, then call SetCurrentImage.
    QImage& currentImage() { return m_current; }
    const QImage& viewBitmap() const { return m_view; }
    void SetCurrentImage(Mode mode);
    int undoDepth() const { return m_undo.size(); }
    // A picture from a file or the clipboard replaces the selected tab's
    // picture as an edit, so that undo brings the capture back; an unfinished edit mode ends
    // first.
    void replacePicture(const QImage& picture);

    // Shows "１つ前の操作がありません" when there is nothing to go back to.
    void mnuEditUndoClick();

    const QList<TTabRec>& tabs() const { return m_tabs; }
    int selectedTab() const { return m_selected; }
    void AddCaptureTab(const QString& title);
    // Writes what the selected tab shows to its file, unless the file holds it already: a
    // capture that is about to replace the current image leaves the tab as it was.
    void storeSelectedTab();
    void tabWindowChanging();
    void tabWindowChange(int index);
    // Leaves the selected tab and enters another, as a click on the tab does. When the tab
    // cannot be written or read the selection stays, and tabsChanged puts the tab bar back.
    void selectTab(int index);

    // Settles an unfinished edit before a tab is left; set by the edit modes.
    std::function<void()> endEditMode;

    static QString imageSizeText(const QImage& image);

Q_SIGNALS:
    void viewChanged();
    void imageSizeChanged(const QString& text);
    void tabsChanged();

private:
    void writeSelectedTab();
    void writeShownPicture();

    const TempPictures& m_temp;
    std::function<int()> m_tabMaximum;
    QImage m_current;
    QImage m_view;
    UndoHistory m_undo; // the last equals the current image
    QList<TTabRec> m_tabs;
    int m_selected = -1;
    // Whether the selected tab's file holds what the view shows; an undo leaves it behind.
    bool m_selectedTabStored = true;
};

} // namespace vistrel
