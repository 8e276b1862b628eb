#include "edit/filters/FilterCommands.h"

#include "edit/ImageDocument.h"
#include "edit/StatusPanels.h"
#include "edit/TransformCommands.h"
#include "edit/filters/AreaFilterKernels.h"
#include "edit/filters/TfrmColor.h"
#include "platform/MessageBox.h"
#include "platform/WaitCursor.h"

#include <QInputDialog>
#include <QRegularExpression>

namespace vistrel {

TileSizeCheck CheckTileSize(const QString& text)
{
    static const QRegularExpression wholeNumber(QStringLiteral("^\\s*[+-]?[0-9]+\\s*$"));
    if (!wholeNumber.match(text).hasMatch())
        return {std::nullopt, QStringLiteral("整数値を入力してください。")};
    bool ok = false;
    const long long value = text.trimmed().toLongLong(&ok);
    if (!ok || value < 2 || value > 64)
        return {std::nullopt, QStringLiteral("指定した値は有効範囲を超えています。")};
    return {int(value), {}};
}

FilterCommands::FilterCommands(ImageDocument& document, StatusPanels& status, QWidget* parent,
                               std::function<void(int)> help)
    : m_document(document), m_status(status)
{
    askTileSize = [parent]() -> std::optional<QString> {
        bool accepted = false;
        const QString text =
            QInputDialog::getText(parent, QStringLiteral("モザイク"),
                                  QStringLiteral("タイルサイズ(2～64の範囲)を入力してください。"),
                                  QLineEdit::Normal, QString(), &accepted);
        return accepted ? std::optional<QString>(text) : std::nullopt;
    };
    askColour = [parent, help](const QImage& view, const QRect& area) {
        return ExecuteColour(parent, view, area, help);
    };
}

void FilterCommands::mnuEditMozaicClick()
{
    if (!CheckPictureShown(m_document))
        return;
    const std::optional<QString> text = askTileSize();
    if (!text)
        return;
    const TileSizeCheck check = CheckTileSize(*text);
    if (!check.size) {
        MessageBox::information(check.message);
        return;
    }
    apply(int(FilterKind::Mosaic), *check.size,
          QStringLiteral("モザイク処理をしています。しばらくお待ちください..."));
}

void FilterCommands::mnuEditColorClick()
{
    if (!CheckPictureShown(m_document))
        return;
    const QImage& view = m_document.viewBitmap();
    const std::optional<QRect> area = selection ? selection() : std::nullopt;
    const int choice = askColour(view, area.value_or(view.rect()));
    if (choice == ColourNormal) // cancelled, or nothing to change: no undo step
        return;
    apply(int(FilterKind::Colour), choice,
          QStringLiteral("カラーの変更をしています。しばらくお待ちください..."));
}

void FilterCommands::apply(int kind, int parameter, const QString& busyText)
{
    {
        const WaitCursor wait;
        m_status.ShowStatusMessage(busyText);
        m_document.currentImage() =
            ApplyAreaFilter(m_document.viewBitmap(), FilterKind(kind), parameter,
                            selection ? selection() : std::nullopt, m_outside);
        m_document.SetCurrentImage(ImageDocument::Mode::Commit);
    }
    m_status.ShowStatusMessage(QStringLiteral("処理が完了しました"));
}

void FilterCommands::mnuEditRangeOverClick()
{
    m_outside = !m_outside;
    if (showOutside)
        showOutside(m_outside);
}

} // namespace vistrel
