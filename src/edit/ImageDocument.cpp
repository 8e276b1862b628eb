#include "edit/ImageDocument.h"

#include "platform/MessageBox.h"

namespace vistrel {

ImageDocument::ImageDocument(const TempPictures& temp, std::function<int()> tabMaximum,
                             QObject* parent)
    : QObject(parent), m_temp(temp), m_tabMaximum(std::move(tabMaximum))
{}

QString ImageDocument::imageSizeText(const QImage& image)
{
    return QStringLiteral("画像サイズ : %1×%2").arg(image.width()).arg(image.height());
}

void ImageDocument::SetCurrentImage(Mode mode)
{
    m_view = m_current.isNull() ? QImage() : m_current.convertToFormat(QImage::Format_RGB32);
    if (mode == Mode::Reset)
        m_undo.clear();
    if (mode != Mode::ShowOnly)
        m_undo.push(m_current);
    if (mode == Mode::Commit && !m_tabs.isEmpty())
        writeSelectedTab();
    else if (mode == Mode::ShowOnly)
        m_selectedTabStored = false;
    Q_EMIT viewChanged();
    Q_EMIT imageSizeChanged(imageSizeText(m_current));
}

void ImageDocument::mnuEditUndoClick()
{
    if (m_undo.size() <= 1) {
        MessageBox::information(QStringLiteral("１つ前の操作がありません"));
        return;
    }
    m_current = m_undo.dropNewest();
    SetCurrentImage(Mode::ShowOnly);
}

void ImageDocument::writeSelectedTab()
{
    if (m_selected < 0 || m_selected >= m_tabs.size())
        return;
    m_selectedTabStored = false; // until the write has succeeded
    m_temp.WriteTempPicture(m_current, TempPictures::Kind::Tab, m_tabs[m_selected].Number);
    m_selectedTabStored = true;
}

// What the tab shows: a request-driven capture may have replaced the current
// image behind the view.
void ImageDocument::writeShownPicture()
{
    if (m_selected < 0 || m_selected >= m_tabs.size() || m_view.isNull())
        return;
    m_selectedTabStored = false;
    m_temp.WriteTempPicture(m_view, TempPictures::Kind::Tab, m_tabs[m_selected].Number);
    m_selectedTabStored = true;
}

void ImageDocument::storeSelectedTab()
{
    if (!m_selectedTabStored)
        writeShownPicture();
}

void ImageDocument::AddCaptureTab(const QString& title)
{
    int number = static_cast<int>(m_tabs.size()) + 1;
    const bool recycle = !m_tabs.isEmpty() && m_tabs.size() >= m_tabMaximum();
    if (recycle) // the oldest tab makes room; its file number goes to the new tab
        number = m_tabs.first().Number;
    // Written first: a failed write leaves every tab as it was.
    m_temp.WriteTempPicture(m_current, TempPictures::Kind::Tab, number);
    if (recycle)
        m_tabs.removeFirst();
    m_tabs.append(TTabRec{title, number});
    m_selected = static_cast<int>(m_tabs.size()) - 1;
    m_selectedTabStored = true;
    Q_EMIT tabsChanged();
}

void ImageDocument::tabWindowChanging()
{
    if (m_tabs.isEmpty())
        return;
    if (endEditMode)
        endEditMode();
    writeShownPicture();
}

void ImageDocument::replacePicture(const QImage& picture)
{
    // An unfinished selection or shape belongs to the picture that is being replaced.
    if (endEditMode)
        endEditMode();
    m_current = picture;
    SetCurrentImage(Mode::Commit);
}

void ImageDocument::tabWindowChange(int index)
{
    if (index < 0 || index >= m_tabs.size())
        return;
    // Read first: a file that cannot be read leaves the document on the tab it was on.
    QImage entered = m_current;
    m_temp.ReadTempPicture(entered, TempPictures::Kind::Tab, m_tabs[index].Number);
    m_selected = index;
    m_current = std::move(entered);
    SetCurrentImage(Mode::Reset);
    m_selectedTabStored = true;
    Q_EMIT tabsChanged();
}

void ImageDocument::selectTab(int index)
{
    if (index == m_selected)
        return;
    try {
        tabWindowChanging();
        tabWindowChange(index);
    } catch (...) {
        Q_EMIT tabsChanged(); // the tab bar has moved already
        throw;
    }
}

} // namespace vistrel
