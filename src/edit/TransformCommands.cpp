#include "edit/TransformCommands.h"

#include "edit/ImageDocument.h"
#include "edit/ResamplePicture.h"
#include "edit/RotateAngleInput.h"
#include "edit/RotatePicture.h"
#include "edit/StatusPanels.h"
#include "edit/TfrmZoom.h"
#include "platform/MessageBox.h"
#include "platform/WaitCursor.h"

namespace vistrel {

bool CheckPictureShown(const ImageDocument& document)
{
    if (!document.viewBitmap().isNull())
        return true;
    MessageBox::information(QStringLiteral("対象となるビットマップがありません。"));
    return false;
}

TransformCommands::TransformCommands(ImageDocument& document, StatusPanels& status, QWidget* parent,
                                     std::function<void(int)> help)
    : m_document(document), m_status(status), m_parent(parent), m_help(std::move(help))
{}

void TransformCommands::mnuRotate90RightClick(int tag)
{
    if (!CheckPictureShown(m_document))
        return;
    const std::optional<int> degrees = RotationAngleForTag(tag, m_parent);
    if (!degrees)
        return;
    {
        const WaitCursor wait;
        m_status.ShowStatusMessage(
            QStringLiteral("イメージの回転を行っています。しばらくお待ちください..."));
        // The white fill of the colour reference 0x1FFFFFFF.
        m_document.currentImage() =
            RotatePicture(m_document.viewBitmap(), *degrees, PixelFromColorRef(0x1FFFFFFF));
        m_document.SetCurrentImage(ImageDocument::Mode::Commit);
    }
    m_status.ShowStatusMessage(QStringLiteral("イメージの回転が完了しました"));
}

void TransformCommands::mnuEditZoomClick()
{
    if (!CheckPictureShown(m_document))
        return;
    const std::optional<QSize> size = ExecuteZoom(m_parent, m_document.viewBitmap().size(), m_help);
    if (!size)
        return;
    {
        const WaitCursor wait;
        m_status.ShowStatusMessage(
            QStringLiteral("イメージの拡大・縮小を行っています。しばらくお待ちください..."));
        m_document.currentImage() =
            ResamplePicture(m_document.viewBitmap(), size->width(), size->height());
        m_document.SetCurrentImage(ImageDocument::Mode::Commit);
    }
    m_status.ShowStatusMessage(QStringLiteral("イメージの拡大・縮小が完了しました"));
}

} // namespace vistrel
