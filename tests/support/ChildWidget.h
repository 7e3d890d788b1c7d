#pragma once

#include <QObject>
#include <QString>

// A window's child widget by object name, as tests reach private widgets;
// ends the test program when there is none (a renamed widget).
template <class T>
T* child(const QObject* parent, const char* name)
{
    T* widget = parent->findChild<T*>(QString::fromLatin1(name));
    if (!widget)
        qFatal("no child widget %s", name);
    return widget;
}
