#include "edit/stamps/TfrmIcdsp.h"

#include "edit/stamps/StampKernels.h"
#include "platform/MessageBox.h"

#include <QFileInfo>
#include <QMouseEvent>
#include <QPainter>

namespace vistrel {

TfrmIcdsp::TfrmIcdsp(const QList<QImage>& images, QWidget* parent)
    : QDialog(parent, Qt::Tool), m_images(images)
{
    setObjectName(QStringLiteral("frmIcdsp"));
    setWindowTitle(QStringLiteral("アイコンの埋め込み"));
    setFixedSize(Columns * Cell + 1, Rows * Cell + 1);
}

int TfrmIcdsp::slotAt(QPoint point) const
{
    if (point.x() < 0 || point.y() < 0)
        return -1;
    const int column = point.x() / Cell;
    const int row = point.y() / Cell;
    return column < Columns && row < Rows ? row * Columns + column : -1;
}

void TfrmIcdsp::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::Window));
    painter.setPen(palette().color(QPalette::Mid));
    for (int index = 0; index < Columns * Rows; ++index) {
        const QPoint corner((index % Columns) * Cell, (index / Columns) * Cell);
        painter.drawRect(QRect(corner, QSize(Cell, Cell)));
        if (index < m_images.size() && !m_images.at(index).isNull())
            painter.drawImage(
                corner + QPoint(1, 1),
                m_images.at(index).scaled(32, 32, Qt::KeepAspectRatio, Qt::SmoothTransformation));
    }
}

void TfrmIcdsp::mouseDoubleClickEvent(QMouseEvent* event)
{
    const int slot = slotAt(event->position().toPoint());
    if (event->button() != Qt::LeftButton || slot < 0 || slot >= m_images.size() ||
        m_images.at(slot).isNull())
        return;
    m_chosen = slot;
    accept();
}

void TfrmIcdsp::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::RightButton)
        reject();
}

int PickIcon(QWidget* parent, const IconFileSlots& slots)
{
    QList<QImage> images;
    for (const QString& path : slots) {
        if (!path.isEmpty() && !QFileInfo::exists(path))
            MessageBox::information(
                QStringLiteral("指定したイメージファイルが見つかりません。\nファイル名:") + path,
                parent);
        images.append(path.isEmpty() ? QImage() : LoadStampFile(path));
    }
    TfrmIcdsp picker(images, parent);
    if (parent != nullptr) // centred on the main window
        picker.move(parent->geometry().center() - picker.rect().center());
    return picker.exec() == QDialog::Accepted ? picker.chosen() : -1;
}

} // namespace vistrel
