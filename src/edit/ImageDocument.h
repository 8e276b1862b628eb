#pragma once

#include "edit/TempPictures.h"
#include "edit/UndoHistory.h"

#include <QImage>
#include <QList>
#include <QObject>

#include <functional>
#include <memory>

namespace vistrel {

// The current image, the view bitmap shown in the image area, and the tabs, each with its own
// undo history, so that no tab switch, opened file or capture loses an edit.
class ImageDocument : public QObject {
    Q_OBJECT

public:
    enum class Mode { Commit = 0, Reset = 1, ShowOnly = 2 };

    // The pictures a tab went through, oldest first; the newest is what the tab shows.
    struct TabHistory {
        UndoHistory steps;
        // How many steps the history had when the picture was last captured, opened or
        // saved; -1 once a new edit has replaced that picture's place in the history.
        int savedDepth = 1;
        bool edited() const { return steps.size() > 0 && steps.size() != savedDepth; }
    };

    struct TTabRec {
        QString Title;
        int Number = 0; // unique among the tabs; names its scratch and kept pictures
        // The file the picture was opened from; empty for captures and pastes.
        QString FileName;
        // Shows an opened picture that has not been edited: the next one opened replaces it.
        bool FileTab = false;
        std::shared_ptr<TabHistory> history = std::make_shared<TabHistory>();
        // The view's zoom factor; 0 fits the picture to the window.
        double zoom = 1.0;
    };

    ImageDocument(const TempPictures& temp, std::function<int()> tabMaximum,
                  QObject* parent = nullptr);

    // Editing commands and loaders change this, then call SetCurrentImage.
    QImage& currentImage() { return m_current; }
    const QImage& viewBitmap() const { return m_view; }
    // Commit: an edit of the selected tab (an opened picture's tab becomes an ordinary one).
    // Reset: the selected tab's history starts again from the current image.
    // ShowOnly: only the view follows.
    void SetCurrentImage(Mode mode);
    // The steps undo can go back through on the selected tab, the shown one included.
    int undoDepth() const;
    // A pasted picture replaces the selected tab's picture as an edit, so that undo brings the
    // capture back; with no tab it opens a tab of its own. An unfinished edit mode ends first.
    void replacePicture(const QImage& picture);
    // A picture opened from a file (or pasted with no tab open) goes to the one tab that shows
    // opened pictures, made when there is none; browsing is not editing, so its history
    // starts again with each picture.
    void showOpenedPicture(const QImage& picture, const QString& caption,
                           const QString& fileName = QString());

    // Shows "１つ前の操作がありません" when there is nothing to go back to.
    void mnuEditUndoClick();
    // Brings back what undo took back on the selected tab, until a new edit; shows
    // "やり直す操作がありません" when there is nothing to bring back.
    void mnuEditRedoClick();
    // The steps a redo can bring back on the selected tab.
    int redoDepth() const;

    const QList<TTabRec>& tabs() const { return m_tabs; }
    int selectedTab() const { return m_selected; }
    // Gives the current image a tab of its own. At the tab maximum the oldest tab without
    // unsaved edits makes room; when every tab holds some, the tabs go past the maximum.
    // False when the tabs went past the maximum.
    bool AddCaptureTab(const QString& title);
    static QString tabMaximumPassedText(int maximum);
    // Whether the tab holds edits not saved since its capture or opening.
    bool tabEdited(int index) const;
    bool anyTabEdited() const;
    // The selected tab's picture has just been written to a file by the user.
    void markSaved();
    // Removes a tab without asking; the caller asks first when it holds unsaved edits.
    void closeTab(int index);
    // Before a capture replaces the current image: a picture shown without a tab gets one.
    void storeSelectedTab();
    void tabWindowChanging();
    void tabWindowChange(int index);
    // Leaves the selected tab and enters another, as a click on the tab does.
    void selectTab(int index);
    // The selected tab's zoom (0 = fit to the window); kept for the tab across switches.
    double zoom() const;
    void setZoom(double zoom);

    // The end of the session: the pictures of the tabs with unsaved edits go to `folder` (a
    // private one that outlives the run). Returns how many were kept.
    int keepEditedTabs(const QString& folder) const;
    // How many kept pictures wait in `folder`.
    static int keptTabCount(const QString& folder);
    // Brings the kept pictures back as tabs with unsaved edits, then empties the folder;
    // `restore` false only empties it. A picture that cannot be read is skipped.
    int restoreKeptTabs(const QString& folder, bool restore = true);

    // What the undo history of all tabs together may hold, in bytes; the oldest steps of the
    // oldest tabs go first when it is passed.
    std::function<qint64()> historyBudget = [] { return qint64(512) << 20; };
    qint64 historyBytes() const;

    // Settles an unfinished edit before a tab is left; set by the edit modes.
    std::function<void()> endEditMode;

    static QString imageSizeText(const QImage& image);

Q_SIGNALS:
    void viewChanged();
    void imageSizeChanged(const QString& text);
    void tabsChanged();
    // The selected tab, its caption or its file changed: the window title follows.
    void captionChanged();
    // A result to show in the status bar.
    void statusMessage(const QString& text);

private:
    TabHistory& history();
    const TabHistory& history() const;
    void enterSelectedTab();
    void resetLoose();
    void keepWithinBudget();
    // The selected tab's picture as "Tab" + Number + ".cbmp" in the private temporary
    // folder, a scratch copy (not flushed to disk) that nothing here reads back.
    void writeScratchPicture(const QImage& shown) const;
    // The index the next tab may take its place from at the tab maximum, or -1.
    int tabToRecycle() const;
    bool appendTab(TTabRec tab);
    int freeNumber() const;

    const TempPictures& m_temp;
    std::function<int()> m_tabMaximum;
    QImage m_current;
    QImage m_view;
    TabHistory m_loose; // the history while no tab exists
    QList<TTabRec> m_tabs;
    int m_selected = -1;
    double m_looseZoom = 1.0;
};

} // namespace vistrel
