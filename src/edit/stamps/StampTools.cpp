#include "edit/stamps/StampTools.h"

#include "edit/ImageDocument.h"
#include "edit/StatusPanels.h"
#include "edit/TransformCommands.h"
#include "edit/modes/EditModes.h"
#include "edit/modes/EditSurface.h"
#include "edit/modes/RubberBand.h"
#include "edit/stamps/IconFileList.h"
#include "edit/stamps/StampKernels.h"
#include "platform/MessageBox.h"
#include "platform/Platform.h"
#include "platform/ProgramFolder.h"
#include "settings/Settings.h"

#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QScrollArea>

namespace vistrel {

StampTools::StampTools(ImageDocument& document, StatusPanels& status, Settings& settings,
                       EditModes& modes, EditSurface& surface, Platform& platform)
    : m_document(document)
    , m_status(status)
    , m_settings(settings)
    , m_modes(modes)
    , m_surface(surface)
{
    for (int tag = 0; tag < StandardCursorCount; ++tag)
        m_cursors.append(platform.standardCursorImage(StandardCursor(tag)));
    askStampFile = [this](const QString& folder) {
        return AskIconFile(m_surface.view()->window(), QStringLiteral("アイコン・カーソルファイル"),
                           folder);
    };
    m_surface.view()->installEventFilter(this);
    // The scroll box has the keyboard while the mouse works on the picture.
    for (QObject* above = m_surface.view()->parent(); above != nullptr; above = above->parent()) {
        if (auto* box = qobject_cast<QScrollArea*>(above)) {
            box->installEventFilter(this);
            break;
        }
    }
}

void StampTools::mnuCur1Click(int tag)
{
    if (!CheckPictureShown(m_document) || tag < 0 || tag >= m_cursors.size())
        return;
    m_modes.EndEditMode();
    enterStamping(m_cursors.at(tag));
}

void StampTools::mnuIconTouPasteClick()
{
    if (!CheckPictureShown(m_document))
        return;
    m_modes.EndEditMode();
    const int slot = pickIcon ? pickIcon() : -1;
    if (slot < 0 || slot >= int(m_settings.ICONFILE.FILELST.size()))
        return;
    const QImage image = LoadStampFile(m_settings.ICONFILE.FILELST[std::size_t(slot)]);
    if (!image.isNull())
        enterStamping(image);
}

void StampTools::mnuIconFlPasteClick()
{
    if (!CheckPictureShown(m_document))
        return;
    const QString& last = m_settings.MAIN.CURDIR;
    const QString path = askStampFile(last.isEmpty() ? ProgramFolder() : last);
    if (path.isEmpty())
        return;
    m_settings.MAIN.CURDIR = QFileInfo(path).absolutePath();
    const QImage image = LoadStampFile(path);
    if (image.isNull())
        return;
    // A trim or area selection left running would keep its toggle pressed in stamping.
    m_modes.EndEditMode();
    enterStamping(image);
}

void StampTools::enterStamping(const QImage& image)
{
    m_cursorImage = image;
    m_modes.ArmMode(ModeStamp);
}

bool StampTools::eventFilter(QObject* watched, QEvent* event)
{
    if (m_modes.mode() != ModeStamp)
        return false;
    if (event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
        release({}, false); // Esc leaves stamping as another button does
        return true;
    }
    if (watched != m_surface.view())
        return false;
    if (event->type() != QEvent::MouseMove && event->type() != QEvent::MouseButtonRelease)
        return false;
    const auto* mouse = static_cast<QMouseEvent*>(event);
    const QPoint pointer = m_surface.picturePoint(mouse->position());
    if (event->type() == QEvent::MouseMove)
        followPointer(pointer);
    else
        release(pointer, mouse->button() == Qt::LeftButton);
    return false;
}

void StampTools::followPointer(QPoint pointer)
{
    const QSize picture = m_document.viewBitmap().size();
    const QPoint at = StampPoint(pointer, picture);
    // The box shows where a 32 x 32 stamp lands, clipped to the picture like the stamp.
    const QRect box = StampPreviewBox(at) & QRect(QPoint(0, 0), picture);
    if (box.isEmpty())
        m_surface.rubberBand().hideBand();
    else
        m_surface.rubberBand().showBand(BandKind::Rectangle, box.topLeft(),
                                        box.bottomRight() + QPoint(1, 1));
    const QString text = QStringLiteral("[現在座標 : %1 × %2] ").arg(at.x()).arg(at.y()) +
                         QStringLiteral("カーソルの埋め込み位置でクリックしてください...");
    MessageBox::trace(QStringLiteral("status"), text);
    m_status.setPanelText(2, text);
}

void StampTools::release(QPoint pointer, bool stamp)
{
    const QPoint at = StampPoint(pointer, m_document.viewBitmap().size());
    m_modes.EndEditMode(); // hides the preview box and gives the view its own cursor back
    m_status.ShowStatusMessage(QString());
    if (!stamp)
        return;
    QImage& picture = m_document.currentImage();
    picture = m_document.viewBitmap().copy();
    DrawCursorImage(at, picture, m_cursorImage);
    m_document.SetCurrentImage(ImageDocument::Mode::Commit);
}

} // namespace vistrel
