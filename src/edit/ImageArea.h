#pragma once

#include <QWidget>

#include <functional>

class QLabel;
class QPlainTextEdit;
class QScrollArea;
class QTabBar;
class QHBoxLayout;

namespace vistrel {

class ImageDocument;

// The tab strip above the scrolling image view; shows an ImageDocument.
class ImageArea : public QWidget {
    Q_OBJECT

public:
    ImageArea(ImageDocument& document, QWidget* parent = nullptr);

    // Docks the drawing tools at the left, beside the tabs and the picture.
    void setDrawPanel(QWidget* panel);

    // Background of the image area, a colour reference 0x00BBGGRR.
    void setBackgroundColour(int colourReference);

    QTabBar* tabWindow() const { return m_tabWindow; }
    QLabel* imaBitmap() const;
    QScrollArea* ScrBoxMain() const { return m_scrBoxMain; }
    // The trace box, hidden until asked for; the scrolling capture writes to it.
    QPlainTextEdit* Memo1() const { return m_memo1; }

    // Closes a tab (-1: the selected one) by its close button, a middle click or Ctrl+W,
    // asking first when it holds unsaved edits. False when it stays.
    bool closeTabAsked(int index = -1);
    // Asks whether unsaved edits may go; tests answer it themselves.
    std::function<bool(const QString& question)> confirmDiscard;

    // The selected tab's zoom: a factor, or 0 to fit the picture to the window.
    void setZoom(double factor);
    void zoomIn() { stepZoom(1); }
    void zoomOut() { stepZoom(-1); }
    // The factor the picture is shown at now (the fitted one when fitting).
    double shownZoom() const;

Q_SIGNALS:
    // "表示倍率 : 100%" whenever the factor shown changes.
    void zoomShown(const QString& text);
    // The picture pixel under the pointer, empty once it leaves the picture.
    void pointerShown(const QString& text);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void showView();
    void stepZoom(int direction);
    void showPointer(QPointF viewPoint);
    void showTabs();
    // Selects the tab `step` places on, wrapping around; as a click on it does.
    void stepTab(int step);

    ImageDocument& m_document;
    QTabBar* m_tabWindow;
    QScrollArea* m_scrBoxMain;
    class PictureView;
    PictureView* m_imaBitmap;
    QPlainTextEdit* m_memo1;
    QHBoxLayout* m_columns;
};

} // namespace vistrel
