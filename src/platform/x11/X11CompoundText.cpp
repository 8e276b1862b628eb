#include "platform/x11/X11CompoundText.h"

#include <QGuiApplication>

#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace vistrel::x11 {

QString decodeCompoundText(const QByteArray& bytes)
{
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    Display* display = x11 ? x11->display() : nullptr;
    if (display == nullptr)
        return QString::fromLatin1(bytes);

    XTextProperty property{};
    property.value = reinterpret_cast<unsigned char*>(const_cast<char*>(bytes.constData()));
    property.encoding = XInternAtom(display, "COMPOUND_TEXT", False);
    property.format = 8;
    property.nitems = static_cast<unsigned long>(bytes.size());

    char** list = nullptr;
    int count = 0;
    if (Xutf8TextPropertyToTextList(display, &property, &list, &count) < Success || list == nullptr)
        return QString::fromLatin1(bytes);
    QString text;
    for (int i = 0; i < count; ++i)
        text += QString::fromUtf8(list[i]);
    XFreeStringList(list);
    return text;
}

} // namespace vistrel::x11
