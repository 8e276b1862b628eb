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

void ImageDocument::writeSelectedTab() const
{
    if (m_selected >= 0 && m_selected < m_tabs.size())
        m_temp.WriteTempPicture(m_current, TempPictures::Kind::Tab, m_tabs[m_selected].Number);
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
    Q_EMIT tabsChanged();
}

void ImageDocument::tabWindowChanging()
{
    if (m_tabs.isEmpty())
        return;
    if (endEditMode)
        endEditMode();
    // What the tab shows: a request-driven capture may have replaced the
    // current image behind the view.
    if (m_selected >= 0 && m_selected < m_tabs.size() && !m_view.isNull())
        m_temp.WriteTempPicture(m_view, TempPictures::Kind::Tab, m_tabs[m_selected].Number);
}

void ImageDocument::replacePicture(const QImage& picture)
{
    m_current = picture;
    SetCurrentImage(Mode::Commit);
}

void ImageDocument::tabWindowChange(int index)
{
    if (index < 0 || index >= m_tabs.size())
        return;
    m_selected = index;
    m_temp.ReadTempPicture(m_current, TempPictures::Kind::Tab, m_tabs[index].Number);
    SetCurrentImage(Mode::Reset);
    Q_EMIT tabsChanged();
}

void ImageDocument::selectTab(int index)
{
    if (index == m_selected)
        return;
    tabWindowChanging();
    tabWindowChange(index);
}

} // namespace vistrel
