#include "viewers/display.h"

#include <QDir>
#include <QFile>
#include <QTemporaryFile>

#include <exception>
#include <iostream>
#include <memory>
#include <string>

#include "items/item.h"
#include "kora/exception.h"
#include "kora/image.h"
#include "kora/imageio.h"
#include "kora/node.h"
#include "kora/value.h"
#include "kora/valuepointer.h"
#include "viewers/displaytoolbar.h"

namespace VORNE {

Display::Display(int portType, int portIndex, QWidget* parent) : AbstractDisplay(portType, portIndex, parent)
{
    loadPlugin();
}

Display::~Display()
{
    // The node may still refer to its widgets, which die with the base window afterwards.
    delete m_node;
    delete m_inputs;
}

void Display::loadPlugin()
{
    if (m_node)
        return;
    std::string diagnostic = "Display: Could not load the display::Display plugin.";
    std::unique_ptr<KORA::IPluginObject> object;
    try {
        object.reset(KORA::GetPluginObject(nullptr, "%KORADIR%/bin/display::Display", nullptr));
    } catch (const KORA::CException& error) {
        diagnostic += std::string("\nWhy: ") + error.what();
    } catch (const std::exception& error) {
        diagnostic += std::string("\nWhy: ") + error.what();
    } catch (...) {
        diagnostic += "\nWhy: unknown exception occured.";
    }
    auto* node = dynamic_cast<KORA::CPNode*>(object.get());
    if (!node) {
        std::cerr << diagnostic << std::endl;
        return;
    }
    m_inputs = attachNode(node);
    node->Parameters().SetEntry(
        "StatusLine",
        new KORA::CValueString("%t|(%s)|%v|(%imin, %imax, %imean, %isigma)|(%pmin, %pmax, %pmean, %psigma)"));
    object.release();
    m_node = node;
}

QString Display::errorImagePath()
{
    // A temporary file's name that is free now; the file itself goes away with the object. The image
    // reader picks its format by the extension, hence the suffix.
    static const QString path = [] {
        QTemporaryFile file(QDir::tempPath() + QStringLiteral("/vorne-error-icon-XXXXXX.png"));
        file.open();
        return file.fileName();
    }();
    return path;
}

KORA::CValue* Display::errorImageValue()
{
    const QString path = errorImagePath();
    if (!QFile::exists(path))
        QFile::copy(QStringLiteral(":/resources/error-icon.png"), path);
    try {
        const KORA::StImgLoadCfg config{};
        KORA::CImage* image = KORA::CImageIo2::Load(path.toLocal8Bit().constData(), config);
        if (image)
            return new KORA::CValueOwnedPointer<KORA::CImage>(image);
    } catch (const KORA::CException&) {
    }
    return nullptr;
}

bool Display::updateView(Item* item)
{
    if (!m_node || !item)
        return false;

    KORA::CValue* value = nullptr;
    switch (item->type()) {
    case Item::UndefinedType:
    case Item::NoValueType:
        value = errorImageValue();
        break;
    default:
        // For an image handle this is a second handle to the item's value, which the item keeps.
        value = item->toCValue();
        break;
    }
    if (!value) {
        flash();
        return false;
    }
    m_inputs->SetEntry(0, value);

    std::string error;
    bool failed = true;
    try {
        m_node->Execute();
        failed = false;
    } catch (const KORA::CException& exception) {
        error = exception.FormattedWhat();
    } catch (const std::exception& exception) {
        error = exception.what();
    } catch (...) {
        error = "unsupported exception catched";
    }
    if (failed) {
        std::cerr << "Display::updateView() " << "Failed to execute display plugin:\n" << error << std::endl;
        flash();
        return false;
    }

    if (m_firstView) {
        m_firstView = false;
        if (auto* pluginWindow = qobject_cast<QMainWindow*>(adoptPluginWidget(QStringLiteral("DisplayMainWindow")))) {
            pluginWindow->addToolBarBreak(Qt::TopToolBarArea);
            pluginWindow->addToolBar(toolbar());
        }
        resize(500, 500);
    }
    return true;
}

} // namespace VORNE
