#pragma once
// The application object of the stand-alone program. An exception that escapes a slot or an event
// handler would otherwise end the process; here it is logged, shown in a warning box, and the event
// loop goes on.
#include <QApplication>

class CCatchingApplication : public QApplication
{
public:
    using QApplication::QApplication;

    // What QApplication::notify returns, or false after an exception was caught.
    bool notify(QObject* receiver, QEvent* event) override;
};
