#include "edit/StatusPanels.h"

#include "platform/MessageBox.h"

#include <QLabel>

namespace vistrel {

StatusPanels::StatusPanels(QWidget* parent) : QStatusBar(parent)
{
    setObjectName(QStringLiteral("staMain"));
    for (QLabel*& panel : m_panels) {
        panel = new QLabel(this);
        panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    }
    m_panels[0]->setFixedWidth(135);
    m_panels[0]->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_panels[1]->setFixedWidth(250);
    m_panels[2]->setFrameStyle(QFrame::NoFrame);
    m_panels[2]->setMinimumWidth(1);
    addWidget(m_panels[0]);
    addWidget(m_panels[1]);
    addWidget(m_panels[2], 1);
    // Never wider than the window allows: the window's own minimum stays what it was.
    m_panels[3]->setMinimumWidth(1);
    m_panels[4]->setMinimumWidth(1);
    addPermanentWidget(m_panels[3]);
    addPermanentWidget(m_panels[4]);
}

QString StatusPanels::panelText(int panel) const
{
    return m_panels[panel]->text();
}

void StatusPanels::setPanelText(int panel, const QString& text)
{
    m_panels[panel]->setText(text);
}

void StatusPanels::ShowStatusMessage(const QString& text)
{
    MessageBox::trace(QStringLiteral("status"), text);
    m_panels[2]->setText(text);
    repaint();
    if (QWidget* top = window(); top != nullptr && top->isVisible())
        top->repaint();
}

} // namespace vistrel
