#include "edit/TfrmZoom.h"

#include "platform/MessageBox.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace vistrel {

namespace {

constexpr int kSpinMinimum = 50;
constexpr int kSpinMaximum = 150;

// Limits what the user types, not what the dialog writes: a recalculated percent such as
// 33.3333 is longer than the three characters one may type.
class TypedLimitEdit : public QLineEdit {
public:
    TypedLimitEdit(int limit, const QString& name, QWidget* parent)
        : QLineEdit(parent), m_limit(limit)
    {
        setObjectName(name);
    }

protected:
    void keyPressEvent(QKeyEvent* event) override
    {
        const QString typed = event->text();
        const bool inserts = !typed.isEmpty() && typed.at(0).isPrint();
        if (inserts && text().size() - selectedText().size() + typed.size() > m_limit) {
            event->accept();
            return;
        }
        QLineEdit::keyPressEvent(event);
    }

private:
    int m_limit;
};

} // namespace

TfrmZoom::TfrmZoom(QSize start, QWidget* parent) : QDialog(parent), m_calculator(start)
{
    setObjectName(QStringLiteral("frmZoom"));
    setWindowTitle(QStringLiteral("イメージサイズ"));
    auto* layout = new QVBoxLayout(this);
    // A dialog of fixed size: only a close button in its title bar.
    layout->setSizeConstraint(QLayout::SetFixedSize);
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    for (const char* text :
         {"画像を指定した寸法に合わせるように拡大・縮小します。",
          "縮小時、縮小率が80%以下だと画像が潰れやすくなるので、80%以上の縮小を繰り返して"
          "寸法を合わせることをお勧めします。"}) {
        auto* label = new QLabel(QString::fromUtf8(text), this);
        label->setWordWrap(true);
        layout->addWidget(label);
    }
    layout->addWidget(buildFields());
    layout->addWidget(buildButtons());
    applyFields(m_calculator.initialFields());
}

QWidget* TfrmZoom::buildFields()
{
    auto* box = new QWidget(this);
    auto* grid = new QGridLayout(box);
    m_edtParsent = new TypedLimitEdit(3, QStringLiteral("edtParsent"), box);
    m_edtWidth = new TypedLimitEdit(5, QStringLiteral("edtWidth"), box);
    m_edtHeight = new TypedLimitEdit(5, QStringLiteral("edtHeight"), box);

    auto* spin = new QWidget(box);
    spin->setObjectName(QStringLiteral("udParsent"));
    auto* spinLayout = new QVBoxLayout(spin);
    spinLayout->setContentsMargins(0, 0, 0, 0);
    spinLayout->setSpacing(0);
    for (const auto& [arrow, delta] : {std::pair{Qt::UpArrow, 1}, std::pair{Qt::DownArrow, -1}}) {
        auto* button = new QToolButton(spin);
        button->setObjectName(delta > 0 ? QStringLiteral("udParsentUp")
                                        : QStringLiteral("udParsentDown"));
        button->setArrowType(arrow);
        button->setAutoRepeat(true);
        connect(button, &QToolButton::clicked, this, [this, d = delta] { stepPercent(d); });
        spinLayout->addWidget(button);
    }

    const auto addRow = [&](int row, const QString& caption, QLineEdit* edit, const QString& unit) {
        auto* label = new QLabel(caption, box);
        label->setBuddy(edit);
        grid->addWidget(label, row, 0);
        grid->addWidget(edit, row, 1);
        grid->addWidget(new QLabel(unit, box), row, 3);
    };
    addRow(0, QStringLiteral("パーセントで指定(&P)"), m_edtParsent, QStringLiteral("%"));
    grid->addWidget(spin, 0, 2);
    addRow(1, QStringLiteral("幅で指定(&W)"), m_edtWidth, QStringLiteral("pixel"));
    addRow(2, QStringLiteral("高さで指定(&H)"), m_edtHeight, QStringLiteral("pixel"));

    connect(m_edtParsent, &QLineEdit::textChanged, this,
            [this](const QString& text) { applyFields(m_calculator.percentChanged(text)); });
    connect(m_edtWidth, &QLineEdit::textChanged, this,
            [this](const QString& text) { applyFields(m_calculator.widthChanged(text)); });
    connect(m_edtHeight, &QLineEdit::textChanged, this,
            [this](const QString& text) { applyFields(m_calculator.heightChanged(text)); });
    return box;
}

QWidget* TfrmZoom::buildButtons()
{
    auto* box = new QWidget(this);
    auto* row = new QHBoxLayout(box);
    row->addStretch();
    auto* ok = new QPushButton(QStringLiteral("変更(&S)"), box);
    ok->setObjectName(QStringLiteral("butOK"));
    ok->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("キャンセル"), box);
    cancel->setObjectName(QStringLiteral("butCancel"));
    auto* help = new QPushButton(QStringLiteral("ヘルプ(&H)"), box);
    help->setObjectName(QStringLiteral("butHelp"));
    connect(ok, &QPushButton::clicked, this, &TfrmZoom::confirm);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(help, &QPushButton::clicked, this, [this] {
        if (m_help) {
            m_help(kHelpTopic);
        }
    });
    row->addWidget(ok);
    row->addWidget(cancel);
    row->addWidget(help);
    return box;
}

void TfrmZoom::setHelpHandler(std::function<void(int)> handler)
{
    m_help = std::move(handler);
}

// Writing the other fields fires their change handlers; the flag keeps those from
// recalculating in turn.
void TfrmZoom::applyFields(const std::optional<ZoomFields>& fields)
{
    if (m_recalculating || !fields) {
        return;
    }
    m_recalculating = true;
    for (const auto& [edit, text] :
         {std::pair{m_edtParsent, fields->percent}, std::pair{m_edtWidth, fields->width},
          std::pair{m_edtHeight, fields->height}}) {
        if (edit->text() != text) {
            edit->setText(text);
        }
    }
    m_recalculating = false;
}

// Like a spin control with its buddy: starts from the whole number shown when there is one.
void TfrmZoom::stepPercent(int delta)
{
    const QString text = m_edtParsent->text();
    if (ZoomCalculator::IsNumber(text, true)) {
        m_spinPosition = static_cast<int>(std::min(text.toDouble(), 1e6));
    }
    m_spinPosition = std::clamp(m_spinPosition + delta, kSpinMinimum, kSpinMaximum);
    m_edtParsent->setText(QString::number(m_spinPosition));
}

ZoomFields TfrmZoom::fields() const
{
    return {m_edtParsent->text(), m_edtWidth->text(), m_edtHeight->text()};
}

void TfrmZoom::confirm()
{
    const ZoomChoice choice = m_calculator.confirm(fields());
    if (!choice.accepted()) {
        MessageBox::information(choice.message, this);
        return;
    }
    m_chosen = choice.size;
    accept();
}

std::optional<QSize> ExecuteZoom(QWidget* parent, QSize current, std::function<void(int)> help)
{
    TfrmZoom dialog(current, parent);
    dialog.setHelpHandler(std::move(help));
    if (dialog.exec() != QDialog::Accepted) {
        return std::nullopt;
    }
    return dialog.chosenSize();
}

} // namespace vistrel
