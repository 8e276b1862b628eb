#pragma once

#include <QWidget>

#include <functional>

class QPushButton;
class QTextBrowser;
class QUrl;

namespace vistrel {

// The program's own help window: the HTML manual in a text browser with back, forward and
// contents, so that help works on a desktop without any web browser. Links into the manual
// stay here; web addresses go to `openExternal`.
class TfrmHelp : public QWidget {
    Q_OBJECT
public:
    explicit TfrmHelp(std::function<bool(const QUrl&)> openExternal = {},
                      QWidget* parent = nullptr);

    // Shows `page` (a manual page, possibly with a heading) and brings the window forward.
    // Opened from a modal dialog the window is modal too, else it could not be read or
    // closed until that dialog ends.
    void showPage(const QUrl& page);
    QUrl currentPage() const;

private:
    void followLink(const QUrl& link);
    void showContents();
    void updateButtons();

    QTextBrowser* m_browser = nullptr;
    QPushButton* m_back = nullptr;
    QPushButton* m_forward = nullptr;
    std::function<bool(const QUrl&)> m_openExternal;
};

} // namespace vistrel
