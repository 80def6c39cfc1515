#pragma once
// Set-up shared by the tests that drive the main window or read the example files.
#include <QFile>
#include <QListView>
#include <QTabWidget>
#include <QtTest>

#include "items/item.h"
#include "items/itemmodel.h"
#include "mainwindow/pvorne.h"

inline QString source(const QString& path) { return qEnvironmentVariable("VORNE_SOURCE_DIR") + "/" + path; }
inline QString graph(const QString& name) { return source("examples/graphs/" + name); }

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

inline void writeFile(const QString& path, const QByteArray& content)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
}
