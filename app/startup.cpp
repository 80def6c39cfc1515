#include "app/startup.h"

#include <QApplication>
#include <QFile>
#include <QIcon>
#include <QMessageBox>
#include <QPixmap>
#include <QSplashScreen>

#include <exception>
#include <iostream>
#include <memory>

#include "app/commandline.h"
#include "kora/exception.h"
#include "kora/state.h"
#include "kora/string.h"
#include "mainwindow/pvorne.h"

namespace VORNE {

bool checkKoradir()
{
    if (KORA::CString::HasEnv("KORADIR"))
        return true;
    QMessageBox::critical(nullptr, QStringLiteral("VORNE"),
                          QCoreApplication::translate("VORNE", "KORADIR variable is not set."), QMessageBox::Ok);
    return false;
}

namespace {

// Splash, node set-up and the command-line graph; exceptions pass to the caller.
void showMainWindow(PVorne& vorne, const QStringList& files)
{
    QPixmap logo(QStringLiteral(":/resources/vorne-icon.png"));
    logo = logo.scaled(200, 200, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    QSplashScreen splash(logo, Qt::WindowStaysOnTopHint);
    splash.show();
    QCoreApplication::processEvents();

    vorne.NodeInit();
    vorne.setEnabled(false);
    vorne.show();
    QCoreApplication::processEvents();

    if (!files.isEmpty()) {
        const bool loaded = vorne.loadGraph(files.first(), false);
        QCoreApplication::processEvents();
        if (!loaded) {
            splash.hide();
            QMessageBox box(QMessageBox::Critical,
                            QCoreApplication::translate("VORNE", "Could not load graph - %1").arg("VORNE"),
                            QCoreApplication::translate("VORNE", "Could not load the graph '%1'").arg(files.first()),
                            QMessageBox::Ok, &vorne);
            box.setInformativeText(vorne.graphLoadError());
            box.exec();
            splash.show();
        }
    }
    QCoreApplication::processEvents();
    vorne.setEnabled(true);
    splash.finish(&vorne);
}

} // namespace

std::optional<int> answerInformationOptions(const QStringList& arguments)
{
    const CommandLine line = CommandLine::parse(arguments.mid(1));
    if (line.has("--help")) {
        std::cout << usageText(arguments.value(0)).toStdString() << std::flush;
        return 0;
    }
    if (line.has("--version")) {
        std::cout << versionOutput().toStdString() << std::flush;
        return 0;
    }
    return std::nullopt;
}

int startUp(const QStringList& arguments)
{
    if (const std::optional<int> status = answerInformationOptions(arguments))
        return *status;
    const QString program = arguments.value(0);
    const CommandLine line = CommandLine::parse(arguments.mid(1));
    if (!line.options.isEmpty())
        std::cerr << program.toStdString() << " unknown option detected: "
                  << line.options.join(QStringLiteral(", ")).toStdString() << "\n"
                  << std::flush;

    if (!checkKoradir())
        return 0;

    auto vorne = std::make_unique<PVorne>();
    // The window keeps its own PNG icon unless a Windows icon file is bundled.
    const QString windowsIcon = QStringLiteral(":/resources/vorne-icon.ico");
    if (QFile::exists(windowsIcon))
        vorne->setWindowIcon(QIcon(windowsIcon));
    vorne->setWindowTitle(QStringLiteral("VORNE"));

    QString failure;
    try {
        showMainWindow(*vorne, line.files);
    } catch (const KORA::CException& e) {
        failure = QString::fromUtf8(e.what());
    } catch (const std::exception& e) {
        failure = QString::fromUtf8(e.what());
    } catch (...) {
        failure = QStringLiteral("Unknown exception occured");
    }
    if (!failure.isNull()) {
        QMessageBox::critical(nullptr, QStringLiteral("VORNE"), failure, QMessageBox::Ok);
        return 0;
    }

    const int status = QApplication::exec();
    KORA::VexExit();
    vorne.reset();
    return status;
}

} // namespace VORNE
