#pragma once
// Set-up shared by the tests that drive the main window.
#include <QtTest>
#include <QtWidgets>

#include "coretest.h"
#include "items/item.h"
#include "items/itemmodel.h"
#include "mainwindow/pvorne.h"

template <class T> T* child(QObject& w, const char* name)
{
    T* found = w.findChild<T*>(name);
    if (!found)
        qFatal("no widget %s", name);
    return found;
}

inline QListView* view(PVorne& w, const char* tabs, int port)
{
    return child<QTabWidget>(w, tabs)->widget(port)->findChild<QListView*>();
}
inline VORNE::ItemModel* inputs(PVorne& w, int port)
{
    return qobject_cast<VORNE::ItemModel*>(view(w, "input_tabWidget", port)->model());
}
inline VORNE::ItemModel* outputs(PVorne& w, int port)
{
    return qobject_cast<VORNE::ItemModel*>(view(w, "output_tabWidget", port)->model());
}

inline QStringList texts(const VORNE::ItemModel* model)
{
    QStringList result;
    for (int row = 0; row < model->rowCount(); ++row)
        result << model->item(row)->valueText();
    return result;
}

inline void invoke(QObject& w, const char* slot) { QVERIFY(QMetaObject::invokeMethod(&w, slot)); }

// No batch running: the run button is back and the progress bar gone.
inline bool idle(PVorne& w)
{
    return !child<QWidget>(w, "run_pushButton")->isHidden() && child<QWidget>(w, "run_progressBar")->isHidden();
}
inline void runToEnd(PVorne& w)
{
    invoke(w, "Run");
    QTRY_VERIFY_WITH_TIMEOUT(idle(w), 60000);
}
