// The picking operations of X11Platform, run by an X11PickSession.
#include "platform/x11/X11PickSession.h"
#include "platform/x11/X11Platform.h"

#include <QGuiApplication>

#include <X11/Xlib.h>

namespace vistrel {

bool X11Platform::beginPicking()
{
    m_pick.reset();
    m_pick = x11::X11PickSession::start(displayName());
    return m_pick != nullptr;
}

PickEvent X11Platform::nextPickEvent()
{
    return m_pick ? m_pick->next() : PickEvent{PickEvent::Kind::Cancel, {}};
}

void X11Platform::showPickFrame(const QRect& rect)
{
    if (m_pick)
        m_pick->showFrame(rect);
}

void X11Platform::hidePickFrame()
{
    if (m_pick)
        m_pick->hideFrame();
}

void X11Platform::endPicking()
{
    m_pick.reset();
}

} // namespace vistrel
