#include "hotkeys/TfrmHotKey.h"
#include "platform/HelpTopics.h"

#include "hotkeys/HotkeyCommandLine.h"
#include "hotkeys/TfrmKeyEdit.h"
#include "platform/MessageBox.h"

#include <QClipboard>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace vistrel {

namespace {

constexpr int HelpContext = helptopic::Hotkeys;
constexpr int CommandLineColumn = 2;

QPushButton* button(const QString& text, const char* name, QWidget* parent)
{
    auto* result = new QPushButton(text, parent);
    result->setObjectName(QString::fromLatin1(name));
    return result;
}

} // namespace

TfrmHotKey::TfrmHotKey(QList<QIcon> icons, std::function<void(int context)> help, QWidget* parent)
    : QDialog(parent), m_icons(std::move(icons)), m_help(std::move(help))
{
    setObjectName(QStringLiteral("frmHotKey"));
    setWindowTitle(QStringLiteral("ホットキーの設定"));
    auto* layout = new QVBoxLayout(this);
    auto* group = new QGroupBox(QStringLiteral("ホットキー情報"), this);
    auto* groupLayout = new QVBoxLayout(group);
    auto* listRow = new QHBoxLayout;
    m_lblCommandNote = new QLabel(CommandLineHotkeysNote(), group);
    m_lblCommandNote->setObjectName(QStringLiteral("lblCommandNote"));
    m_lblCommandNote->setWordWrap(true);
    m_lblCommandNote->setVisible(false);
    groupLayout->addWidget(m_lblCommandNote);

    m_lsvHotkey = new QTreeWidget(group);
    m_lsvHotkey->setObjectName(QStringLiteral("lsvHotkey"));
    m_lsvHotkey->setRootIsDecorated(false);
    m_lsvHotkey->setUniformRowHeights(true);
    m_lsvHotkey->setSelectionMode(QAbstractItemView::SingleSelection);
    m_lsvHotkey->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_lsvHotkey->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_lsvHotkey->setAllColumnsShowFocus(true);
    m_lsvHotkey->setHeaderLabels({QStringLiteral("コマンド名"),
                                  QStringLiteral("呼び出しホットキー"),
                                  QStringLiteral("キーに割り当てるコマンド")});
    m_lsvHotkey->headerItem()->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
    m_lsvHotkey->header()->setStretchLastSection(false);
    m_lsvHotkey->setColumnWidth(0, 200);
    m_lsvHotkey->setColumnWidth(1, 150);
    m_lsvHotkey->setColumnWidth(CommandLineColumn, 320);
    m_lsvHotkey->setColumnHidden(CommandLineColumn, true);
    // A long program path gives way before the tokens that tell the entries apart.
    m_lsvHotkey->setTextElideMode(Qt::ElideMiddle);
    m_lsvHotkey->setMinimumWidth(200 + 150 + 2 * m_lsvHotkey->frameWidth() + 4);
    connect(m_lsvHotkey, &QTreeWidget::itemDoubleClicked, this, [this] { butEditClick(); });
    listRow->addWidget(m_lsvHotkey);

    auto* arrows = new QVBoxLayout;
    QPushButton* up = button(QStringLiteral("↑"), "butUp", group);
    QPushButton* down = button(QStringLiteral("↓"), "butDown", group);
    connect(up, &QPushButton::clicked, this, [this] { moveSelected(-1); });
    connect(down, &QPushButton::clicked, this, [this] { moveSelected(+1); });
    arrows->addWidget(up);
    arrows->addWidget(down);
    arrows->addStretch();
    listRow->addLayout(arrows);
    groupLayout->addLayout(listRow);
    groupLayout->addWidget(buildButtons());
    layout->addWidget(group);

    auto* closing = new QHBoxLayout;
    closing->addStretch();
    QPushButton* ok = button(QStringLiteral("&OK"), "butOK", this);
    ok->setDefault(true);
    QPushButton* cancel = button(QStringLiteral("キャンセル"), "butCancel", this);
    QPushButton* helpButton = button(QStringLiteral("ヘルプ(&H)"), "butHelp", this);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(helpButton, &QPushButton::clicked, this, [this] {
        if (m_help)
            m_help(HelpContext);
    });
    for (QPushButton* b : {ok, cancel, helpButton})
        closing->addWidget(b);
    layout->addLayout(closing);

    m_editor = new TfrmKeyEdit(this);
}

TfrmHotKey::~TfrmHotKey() = default;

QWidget* TfrmHotKey::buildButtons()
{
    auto* row = new QWidget(this);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    QPushButton* add = button(QStringLiteral("追加(&A)..."), "butAdd", row);
    QPushButton* edit = button(QStringLiteral("訂正(&E)..."), "butEdit", row);
    QPushButton* remove = button(QStringLiteral("削除(&D)"), "butDelete", row);
    m_butCopyCommand = button(QStringLiteral("コマンドをコピー(&C)"), "butCopyCommand", row);
    m_butCopyCommand->setVisible(false);
    connect(add, &QPushButton::clicked, this, &TfrmHotKey::butAddClick);
    connect(edit, &QPushButton::clicked, this, &TfrmHotKey::butEditClick);
    connect(remove, &QPushButton::clicked, this, &TfrmHotKey::butDeleteClick);
    connect(m_butCopyCommand, &QPushButton::clicked, this, &TfrmHotKey::copySelectedCommandLine);
    for (QPushButton* b : {add, edit, remove, m_butCopyCommand})
        layout->addWidget(b);
    layout->addStretch();
    return row;
}

bool TfrmHotKey::EditHotkeyList(HotkeyTableSlots& table)
{
    m_rows = HotkeyRowsOf(table);
    // A slot is listed even when it cannot be shown faithfully; the user is told which.
    for (int slot = 0; slot < HotkeySlotCount; ++slot) {
        const TWinHotKey& entry = table[size_t(slot)];
        if (!entry.COMMAND.isEmpty() && !IsHotkeySlotReadable(entry))
            MessageBox::information(HotkeyReadFailedText(slot), parentWidget());
    }
    // The first row starts selected, so that the keyboard can act on it at once.
    showRows(m_rows.isEmpty() ? -1 : 0);
    m_lsvHotkey->setFocus();
    placeOnScreen();
    if (exec() != QDialog::Accepted)
        return false;
    WriteHotkeyRows(m_rows, table);
    return true;
}

void TfrmHotKey::showCommandLines(const QString& program)
{
    m_commandProgram = program;
    const bool shown = !program.isEmpty();
    m_lblCommandNote->setVisible(shown);
    m_butCopyCommand->setVisible(shown);
    m_lsvHotkey->setColumnHidden(CommandLineColumn, !shown);
    int width = 2 * m_lsvHotkey->frameWidth() + 4;
    for (int column = 0; column < m_lsvHotkey->columnCount(); ++column)
        if (!m_lsvHotkey->isColumnHidden(column))
            width += m_lsvHotkey->columnWidth(column);
    m_lsvHotkey->setMinimumWidth(width);
    m_editor->showCommandLine(program);
}

void TfrmHotKey::copySelectedCommandLine()
{
    const int row = selectedRow();
    if (row >= 0)
        QGuiApplication::clipboard()->setText(HotkeyCommandLine(m_commandProgram, m_rows[row]));
}

void TfrmHotKey::placeOnScreen()
{
    // Opened from the tray the main window is hidden: centre on the screen
    // instead of over the place where the window would be.
    if (parentWidget() != nullptr && parentWidget()->isVisible())
        return;
    adjustSize();
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

void TfrmHotKey::showRows(int selected)
{
    m_lsvHotkey->clear();
    for (const TWinHotKey& entry : m_rows) {
        auto* item = new QTreeWidgetItem(
            m_lsvHotkey,
            {entry.COMMAND, HotkeyDisplayText(entry),
             m_commandProgram.isEmpty() ? QString() : HotkeyCommandLine(m_commandProgram, entry)});
        item->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
        item->setToolTip(CommandLineColumn, item->text(CommandLineColumn));
        const int image = HotkeyImageIndex(entry.PARAM);
        if (image >= 0 && image < m_icons.size())
            item->setIcon(0, m_icons[image]);
    }
    if (QTreeWidgetItem* item = m_lsvHotkey->topLevelItem(selected)) {
        m_lsvHotkey->setCurrentItem(item);
        m_lsvHotkey->scrollToItem(item);
    }
}

int TfrmHotKey::selectedRow() const
{
    const QList<QTreeWidgetItem*> selected = m_lsvHotkey->selectedItems();
    return selected.isEmpty() ? -1 : m_lsvHotkey->indexOfTopLevelItem(selected.first());
}

void TfrmHotKey::butAddClick()
{
    if (m_rows.size() >= MaxHotkeyRows) {
        MessageBox::information(HotkeyLimitText(), this);
        return;
    }
    TWinHotKey entry{};
    if (!m_editor->EditHotkeyEntry(entry))
        return;
    m_rows.append(entry);
    showRows(int(m_rows.size()) - 1);
}

void TfrmHotKey::butEditClick()
{
    const int row = selectedRow();
    if (row < 0)
        return;
    TWinHotKey entry = m_rows[row];
    if (!m_editor->EditHotkeyEntry(entry))
        return;
    m_rows[row] = entry;
    showRows(row);
}

void TfrmHotKey::butDeleteClick()
{
    const int row = selectedRow();
    if (row < 0 || !confirmDelete(m_rows[row]))
        return;
    m_rows.removeAt(row);
    showRows(std::min(row, int(m_rows.size()) - 1));
}

bool TfrmHotKey::confirmDelete(const TWinHotKey& entry)
{
    const QString question = HotkeyDeleteQuestion(entry);
    MessageBox::trace(QStringLiteral("question"), question);
    QMessageBox box(QMessageBox::Question, QStringLiteral("削除確認メッセージ"),
                    QString(question).replace(QStringLiteral("\r\n"), QStringLiteral("\n")),
                    QMessageBox::Yes | QMessageBox::No, this);
    box.setObjectName(QStringLiteral("boxDeleteQuestion"));
    box.setDefaultButton(QMessageBox::No);
    return box.exec() != QMessageBox::No;
}

void TfrmHotKey::moveSelected(int step)
{
    const int row = selectedRow();
    const int moved = MoveHotkeyRow(m_rows, row, step);
    if (moved != row)
        showRows(moved);
}

} // namespace vistrel
