#include "app/TfrmHelp.h"

#include "app/AppIcon.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QPushButton>
#include <QShortcut>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

namespace vistrel {

namespace {

const QString DefaultTitle = QStringLiteral("Vistrel ヘルプ");

QPushButton* navigationButton(const QString& text, const char* name, const QKeySequence& key,
                              QWidget* parent)
{
    auto* button = new QPushButton(text, parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setShortcut(key);
    button->setAutoDefault(false);
    button->setToolTip(key.toString(QKeySequence::NativeText));
    return button;
}

} // namespace

TfrmHelp::TfrmHelp(std::function<bool(const QUrl&)> openExternal, QWidget* parent)
    : QWidget(parent, Qt::Window), m_openExternal(std::move(openExternal))
{
    setObjectName(QStringLiteral("frmHelp"));
    setWindowTitle(DefaultTitle);
    setWindowIcon(AppIcon());
    setWindowRole(QStringLiteral("help"));

    m_back = navigationButton(QStringLiteral("< 戻る"), "butBack",
                              QKeySequence(Qt::ALT | Qt::Key_Left), this);
    m_forward = navigationButton(QStringLiteral("進む >"), "butForward",
                                 QKeySequence(Qt::ALT | Qt::Key_Right), this);
    auto* contents = navigationButton(QStringLiteral("目次"), "butHome",
                                      QKeySequence(Qt::ALT | Qt::Key_Home), this);
    m_browser = new QTextBrowser(this);
    m_browser->setObjectName(QStringLiteral("brwHelp"));
    // Every link is decided here: pages of the manual stay, the rest go to the browser.
    m_browser->setOpenLinks(false);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_back);
    buttons->addWidget(m_forward);
    buttons->addWidget(contents);
    buttons->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(buttons);
    layout->addWidget(m_browser);
    resize(820, 640);

    connect(m_back, &QPushButton::clicked, m_browser, &QTextBrowser::backward);
    connect(m_forward, &QPushButton::clicked, m_browser, &QTextBrowser::forward);
    connect(contents, &QPushButton::clicked, this, &TfrmHelp::showContents);
    connect(m_browser, &QTextBrowser::anchorClicked, this, &TfrmHelp::followLink);
    connect(m_browser, &QTextBrowser::historyChanged, this, &TfrmHelp::updateButtons);
    connect(m_browser, &QTextBrowser::sourceChanged, this, [this] {
        const QString title = m_browser->documentTitle();
        setWindowTitle(title.isEmpty() ? DefaultTitle : title);
    });
    connect(new QShortcut(QKeySequence(Qt::Key_Escape), this), &QShortcut::activated, this,
            &QWidget::close);
    updateButtons();
}

void TfrmHelp::showPage(const QUrl& page)
{
    const QWidget* modal = QApplication::activeModalWidget();
    const Qt::WindowModality wanted =
        modal != nullptr && modal != this ? Qt::ApplicationModal : Qt::NonModal;
    if (windowModality() != wanted) {
        hide(); // the modality of a shown window cannot change
        setWindowModality(wanted);
    }
    m_browser->setSource(page);
    show();
    raise();
    activateWindow();
}

QUrl TfrmHelp::currentPage() const
{
    return m_browser->source();
}

void TfrmHelp::followLink(const QUrl& link)
{
    const QUrl target = m_browser->source().resolved(link);
    if (target.isLocalFile()) {
        m_browser->setSource(target);
        return;
    }
    if (m_openExternal)
        m_openExternal(target);
}

void TfrmHelp::showContents()
{
    m_browser->setSource(m_browser->source().resolved(QUrl(QStringLiteral("index.html"))));
}

void TfrmHelp::updateButtons()
{
    m_back->setEnabled(m_browser->isBackwardAvailable());
    m_forward->setEnabled(m_browser->isForwardAvailable());
}

} // namespace vistrel
