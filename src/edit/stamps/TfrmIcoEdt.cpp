#include "edit/stamps/TfrmIcoEdt.h"

#include "edit/stamps/StampKernels.h"
#include "platform/MessageBox.h"

#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

namespace vistrel {

TfrmIcoEdt::TfrmIcoEdt(const QStringList& list, std::function<QString()> askFile, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
    , m_askFile(std::move(askFile))
    , m_lstIcoFile(new QListWidget(this))
    , m_imgIcon(new QLabel(this))
    , m_lblIcoFile(new QLabel(this))
{
    setObjectName(QStringLiteral("frmIcoEdt"));
    setWindowTitle(QStringLiteral("埋め込みアイコンの設定"));
    m_lstIcoFile->setObjectName(QStringLiteral("lstIcoFile"));
    m_lstIcoFile->addItems(list);
    m_imgIcon->setObjectName(QStringLiteral("imgIcon"));
    m_imgIcon->setFixedSize(48, 48);
    m_imgIcon->setAlignment(Qt::AlignCenter);
    m_lblIcoFile->setObjectName(QStringLiteral("lblIcoFile"));

    auto* preview = new QGroupBox(QStringLiteral("プレビュー"), this);
    auto* previewLayout = new QHBoxLayout(preview);
    previewLayout->addWidget(m_imgIcon);
    previewLayout->addWidget(new QLabel(QStringLiteral("ファイル名 :"), preview));
    previewLayout->addWidget(m_lblIcoFile, 1);

    auto* buttons = new QVBoxLayout;
    const auto button = [this, buttons](const char* name, const char* caption, auto slot) {
        auto* push = new QPushButton(QString::fromUtf8(caption), this);
        push->setObjectName(QString::fromUtf8(name));
        push->setAutoDefault(false);
        connect(push, &QPushButton::clicked, this, slot);
        buttons->addWidget(push);
        return push;
    };
    button("butAdd", "追加(&A)...", [this] { butAddClick(); })->setDefault(true);
    button("butDel", "削除(&D)", [this] { butDelClick(); });
    button("butUp", "上に移動(&T)", [this] { moveSelection(-1); });
    button("butDown", "下に移動(&U)", [this] { moveSelection(1); });
    buttons->addStretch();
    button("butClose", "閉じる(&C)", [this] { accept(); });

    auto* top = new QHBoxLayout;
    top->addWidget(m_lstIcoFile, 1);
    top->addLayout(buttons);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(preview);
    resize(460, 320);

    connect(m_lstIcoFile, &QListWidget::currentRowChanged, this, &TfrmIcoEdt::showPreview);
    m_lstIcoFile->setCurrentRow(list.isEmpty() ? -1 : 0);
    showPreview();
}

QStringList TfrmIcoEdt::list() const
{
    QStringList entries;
    for (int row = 0; row < m_lstIcoFile->count(); ++row)
        entries.append(m_lstIcoFile->item(row)->text());
    return entries;
}

void TfrmIcoEdt::butAddClick()
{
    const QStringList entries = list();
    if (entries.size() >= IconListLimit) {
        MessageBox::information(QStringLiteral("これ以上埋め込みアイコンを追加できません。"), this);
        return;
    }
    const QString path = m_askFile ? m_askFile() : QString();
    if (path.isEmpty())
        return;
    if (const QString refusal = IconAdditionRefusal(entries, path); !refusal.isEmpty()) {
        MessageBox::information(refusal, this);
        return;
    }
    m_lstIcoFile->addItem(path);
    m_lstIcoFile->setCurrentRow(m_lstIcoFile->count() - 1);
}

void TfrmIcoEdt::butDelClick()
{
    delete m_lstIcoFile->takeItem(m_lstIcoFile->currentRow());
    showPreview();
}

void TfrmIcoEdt::moveSelection(int step)
{
    const int row = m_lstIcoFile->currentRow();
    const int target = row + step;
    if (row < 0 || target < 0 || target >= m_lstIcoFile->count())
        return;
    m_lstIcoFile->insertItem(target, m_lstIcoFile->takeItem(row));
    m_lstIcoFile->setCurrentRow(target);
}

void TfrmIcoEdt::showPreview()
{
    const QListWidgetItem* current = m_lstIcoFile->currentItem();
    const QString path = current ? current->text() : QString();
    const QImage image = path.isEmpty() ? QImage() : LoadStampFile(path);
    m_imgIcon->setVisible(!image.isNull());
    m_imgIcon->setPixmap(image.isNull() ? QPixmap() : QPixmap::fromImage(image));
    m_lblIcoFile->setText(image.isNull() ? QString() : QFileInfo(path).fileName());
}

void EditIconList(QWidget* parent, IconFileSlots& slots, std::function<QString()> askFile)
{
    TfrmIcoEdt dialog(IconListFromSlots(slots), std::move(askFile), parent);
    dialog.exec(); // there is no cancel: Esc and close keep the edits too
    StoreIconList(dialog.list(), slots);
}

} // namespace vistrel
