#pragma once
// What the screenshot drivers share: finding named widgets, waiting with the event loop running, saving.
#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTest>
#include <QWidget>

#include <cstdio>
#include <functional>

namespace screenshots {

template <class T>
T* child(QObject& parent, const char* name)
{
    T* widget = parent.findChild<T*>(name);
    if (widget == nullptr)
        qFatal("no widget %s", name);
    return widget;
}

// Keeps the event loop (and with it the windows) alive while waiting; gives up the program on a timeout.
inline void waitFor(const char* what, const std::function<bool()>& condition, int timeoutMs = 120000)
{
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.elapsed() > timeoutMs)
            qFatal("timed out waiting for %s", what);
        QTest::qWait(20);
    }
}

inline void save(QWidget* widget, const QString& path)
{
    QTest::qWait(300);
    if (!widget->grab().save(path))
        qFatal("cannot write %s", qPrintable(path));
    std::printf("wrote %s (%d x %d)\n", qPrintable(path), widget->width(), widget->height());
}

} // namespace screenshots
