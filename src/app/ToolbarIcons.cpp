#include "app/ToolbarIcons.h"

#include <QHash>
#include <QPainter>
#include <QPixmap>

namespace vistrel {

namespace {

struct IconChoice {
    const char* themeName;
    const char* fallbackLetter;
};

const QHash<QString, IconChoice>& iconTable()
{
    static const QHash<QString, IconChoice> table = {
        {QStringLiteral("mnuHyojiFileLst"), {"view-list", "L"}},
        {QStringLiteral("mnuFileOpen"), {"document-open", "O"}},
        {QStringLiteral("mnuFileSave"), {"document-save", "S"}},
        {QStringLiteral("mnuFileJSave"), {"image-x-generic", "J"}},
        {QStringLiteral("mnuFilePSave"), {"image-x-generic", "P"}},
        {QStringLiteral("mnuFileGSave"), {"image-x-generic", "G"}},
        {QStringLiteral("mnuFileAutoSave"), {"document-save-as", "A"}},
        {QStringLiteral("mnuFilePrint"), {"document-print", "P"}},
        {QStringLiteral("mnuFileSendMail"), {"mail-send", "M"}},
        {QStringLiteral("mnuFileSaveSet"), {"document-properties", "H"}},
        {QStringLiteral("mnuCapDeskTop"), {"view-fullscreen", "F"}},
        {QStringLiteral("mnuCapActive"), {"window-new", "A"}},
        {QStringLiteral("mnuCapWindow"), {"focus-windows", "W"}},
        {QStringLiteral("mnuCapRegion"), {"select-rectangular", "R"}},
        {QStringLiteral("mnuTimerDeskTop"), {"alarm", "F"}},
        {QStringLiteral("mnuTimerActive"), {"alarm", "A"}},
        {QStringLiteral("mnuTimerWindow"), {"alarm", "W"}},
        {QStringLiteral("mnuCapClient"), {"view-restore", "C"}},
        {QStringLiteral("mnuCapMouse"), {"input-mouse", "M"}},
        {QStringLiteral("mnuCapTrim"), {"edit-cut", "T"}},
        {QStringLiteral("mnuEditUndo"), {"edit-undo", "U"}},
        {QStringLiteral("mnuEditCopy"), {"edit-copy", "C"}},
        {QStringLiteral("mnuEditPaste"), {"edit-paste", "V"}},
        {QStringLiteral("mnuIconTouPaste"), {"insert-image", "I"}},
        {QStringLiteral("tButEdtHCur"), {"input-mouse", "C"}},
        {QStringLiteral("mnuEditZoom"), {"zoom-fit-best", "Z"}},
        {QStringLiteral("mnuEditCut"), {"edit-cut", "N"}},
        {QStringLiteral("mnuEditCutReturn"), {"edit-redo", "R"}},
        {QStringLiteral("mnuEditRangeOver"), {"edit-select-all", "O"}},
        {QStringLiteral("mnuEditRange"), {"edit-select", "A"}},
        {QStringLiteral("mnuEditMozaic"), {"view-grid", "M"}},
        {QStringLiteral("mnuEditColor"), {"color-select", "L"}},
        {QStringLiteral("mnuHyojiZoomFit"), {"zoom-fit-best", "W"}},
        {QStringLiteral("mnuHyojiZoom100"), {"zoom-original", "1"}},
        {QStringLiteral("mnuHyojiZoomIn"), {"zoom-in", "+"}},
        {QStringLiteral("mnuHyojiZoomOut"), {"zoom-out", "-"}},
    };
    return table;
}

QIcon letterIcon(const QString& letter)
{
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setPen(QColor(40, 70, 130));
    painter.drawRect(0, 0, 15, 15);
    painter.drawText(pixmap.rect(), Qt::AlignCenter, letter);
    return QIcon(pixmap);
}

} // namespace

QIcon ToolbarIcon(const QString& itemName)
{
    const auto it = iconTable().constFind(itemName);
    if (it == iconTable().cend())
        return {};
    // Desktops without a theme of their own still get the installed Adwaita icons.
    static const bool fallbackSet = [] {
        QIcon::setFallbackThemeName(QStringLiteral("Adwaita"));
        return true;
    }();
    Q_UNUSED(fallbackSet);
    const QString name = QString::fromLatin1(it->themeName);
    QIcon themed = QIcon::fromTheme(name);
    if (themed.isNull())
        themed = QIcon::fromTheme(name + QStringLiteral("-symbolic"));
    return themed.isNull() ? letterIcon(QString::fromLatin1(it->fallbackLetter)) : themed;
}

} // namespace vistrel
