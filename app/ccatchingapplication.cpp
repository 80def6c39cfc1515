#include "app/ccatchingapplication.h"

#include <QMessageBox>

#include <exception>
#include <iostream>

#include "kora/exception.h"

namespace {

void report(const QString& logText, const QString& boxText)
{
    std::cerr << "exception in QT signal handler thrown: " << logText.toStdString() << std::endl;
    QMessageBox::warning(nullptr, QStringLiteral("Error in QT signal handler"), boxText, QMessageBox::Ok);
}

} // namespace

bool CCatchingApplication::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const KORA::CException& e) {
        const QString text = QString::fromStdString(e.FormattedWhat());
        report(QStringLiteral("KORA::CException: ") + text, text);
    } catch (const std::exception& e) {
        const QString text = QString::fromUtf8(e.what());
        report(QStringLiteral("std::exception: ") + text, text);
    } catch (...) {
        report(QStringLiteral("unknown exception."), QStringLiteral("unknown exception"));
    }
    return false;
}
