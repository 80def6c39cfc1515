#include "mainwindow/aboutdialogfactory.h"

#include <atomic>

namespace VORNE {

namespace {

std::atomic<AboutDialogFactory> g_factory{nullptr};

} // namespace

void setAboutDialogFactory(AboutDialogFactory factory)
{
    g_factory.store(factory);
}

QDialog* createAboutDialog(QWidget* parent)
{
    const AboutDialogFactory factory = g_factory.load();
    return factory ? factory(parent) : nullptr;
}

} // namespace VORNE
