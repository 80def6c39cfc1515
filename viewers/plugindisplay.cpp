#include "viewers/plugindisplay.h"

#include <QFileInfo>
#include <QLoggingCategory>
#include <QStatusBar>

#include <exception>
#include <iostream>
#include <memory>

#include "items/item.h"
#include "kora/exception.h"
#include "kora/node.h"
#include "kora/value.h"
#include "kora/valuepointer.h"
#include "viewers/displaytoolbar.h"
#include "viewers/viewercaption.h"
#include "viewers/viewerkinds.h"

namespace VORNE {

namespace {

Q_LOGGING_CATEGORY(lcViewers, "vorne.viewers", QtWarningMsg)

// Why the item gave no value to show, as far as the viewer can tell without reading it again.
QString missingValueReason(const Item& item)
{
    if (!item.errorMessage().isEmpty())
        return item.errorMessage();
    switch (item.type()) {
    case Item::UndefinedType:
    case Item::NoValueType:
        return QObject::tr("the item has no value");
    case Item::ImageFileType:
        return QFileInfo::exists(item.valueText()) ? QObject::tr("the file cannot be read as an image")
                                                   : QObject::tr("the file does not exist");
    default:
        return QObject::tr("its value cannot be converted");
    }
}

// Runs call; false, with the error text, when it throws an exception the kind catches. Others go on to the
// caller unchanged. A KORA::CException gives its formatted text when formatted is set.
template <class Call>
bool runCaught(ViewerKind::Catching catching, bool formatted, const char* unknown, std::string& error,
               const Call& call)
{
    try {
        call();
        return true;
    } catch (const KORA::CException& exception) {
        error = formatted ? exception.FormattedWhat() : exception.what();
    } catch (const std::exception& exception) {
        if (catching != ViewerKind::AllExceptions)
            throw;
        error = exception.what();
    } catch (...) {
        if (catching != ViewerKind::AllExceptions)
            throw;
        error = unknown;
    }
    return false;
}

} // namespace

PluginDisplay::PluginDisplay(const ViewerKind& kind, int portType, int portIndex, QWidget* parent)
    : AbstractDisplay(portType, portIndex, parent)
    , m_kind(kind)
    , m_caption(new ViewerCaption(this))
{
    loadPlugin();
}

PluginDisplay::~PluginDisplay()
{
    // The node may still refer to its widgets, which die with the base window afterwards.
    delete m_node;
    delete m_inputs;
}

void PluginDisplay::loadPlugin()
{
    if (m_node)
        return;
    std::unique_ptr<KORA::IPluginObject> object;
    std::string why;
    const bool threw = !runCaught(m_kind.loadCatches, false, "unknown exception occured.", why, [&] {
        object.reset(KORA::GetPluginObject(nullptr, m_kind.pluginPath, nullptr));
    });
    auto* node = dynamic_cast<KORA::CPNode*>(object.get());
    if (!node) {
        // Without a node the window still navigates; it only draws nothing.
        if (m_kind.loadReport == ViewerKind::ReportAnyLoadFailure ||
            (m_kind.loadReport == ViewerKind::ReportLoaderThrows && threw))
            std::cerr << m_kind.loadFailureText << (threw ? "\nWhy: " + why : std::string()) << std::endl;
        return;
    }
    attachNode(node);
    if (m_kind.statusLine)
        node->Parameters().SetEntry("StatusLine", new KORA::CValueString(m_kind.statusLine));
    object.release();
    m_node = node;
}

void PluginDisplay::attachNode(KORA::CPNode* node)
{
    auto inputs = std::make_unique<KORA::CValueVector>();
    node->SetInputVector(inputs.get());
    node->Parameters().SetEntry("QWidgetPointer", new KORA::CValuePointer<QWidget>(this));
    KORA::CValueMap init;
    init.SetEntry("stack_in/0", new KORA::CValueLong(0));
    node->Init(&init);
    m_inputs = inputs.release();
}

KORA::CValue* PluginDisplay::valueFor(const Item& item) const
{
    const bool empty = item.type() == Item::UndefinedType || item.type() == Item::NoValueType;
    if (empty && m_kind.valueForEmptyItem)
        return m_kind.valueForEmptyItem();
    // For an image handle this is a second handle to the item's value, which the item keeps.
    KORA::CValue* value = item.toCValue();
    if (value && m_kind.wrapValue)
        return new KORA::CValueSmart(value);
    return value;
}

bool PluginDisplay::execute(std::string& error)
{
    return runCaught(m_kind.executeCatches, true, "unsupported exception catched", error, [this] {
        m_node->Execute();
    });
}

bool PluginDisplay::updateView(Item* item)
{
    if (!m_node || !item)
        return false;
    KORA::CValue* value = valueFor(*item);
    if (!value) {
        reportFailure(*item, missingValueReason(*item));
        flash();
        return false;
    }
    m_inputs->SetEntry(0, value);

    std::string error;
    if (!execute(error)) {
        std::cerr << m_kind.executeFailureText << (m_kind.errorInReport ? error : std::string()) << std::endl;
        reportFailure(*item, QString::fromLocal8Bit(error.c_str()));
        flash();
        return false;
    }
    clearFailure();
    if (m_firstView || m_kind.adoptEveryTime)
        adoptPluginWindow();
    return true;
}

void PluginDisplay::reportFailure(const Item& item, const QString& reason)
{
    const int row = item.row();
    const QString what = item.type() == Item::ImageFileType ? item.valueText() : item.summaryText();
    const QString text = tr("Item %1 (%2) cannot be shown: %3")
                             .arg(row < 0 ? QStringLiteral("-") : QString::number(row + 1), what, reason);
    m_caption->say(text);
    statusBar()->showMessage(text);
    statusBar()->show();
    qCDebug(lcViewers) << m_kind.name << text;
}

void PluginDisplay::clearFailure()
{
    m_caption->hide();
    // Only created by a failure; a plug-in window may have a status line of its own.
    if (auto* line = findChild<QStatusBar*>(QString(), Qt::FindDirectChildrenOnly)) {
        line->clearMessage();
        line->hide();
    }
}

void PluginDisplay::adoptPluginWindow()
{
    const bool first = m_firstView;
    m_firstView = false;
    auto* window = findChild<QWidget*>(QString::fromLatin1(m_kind.windowName));
    if (window) {
        window->setWindowFlags(Qt::WindowFlags());
        setCentralWidget(window);
    }
    if (!first)
        return;
    auto* pluginMain = qobject_cast<QMainWindow*>(window);
    if (pluginMain && m_kind.toolbarIntoPluginWindow) {
        pluginMain->addToolBarBreak(Qt::TopToolBarArea);
        pluginMain->addToolBar(toolbar());
    }
    // A window given its place and size already (a kind change, a reopening) keeps them.
    if (testAttribute(Qt::WA_Resized))
        return;
    if (m_kind.firstSizing == ViewerKind::Resize500)
        resize(500, 500);
    else if (m_kind.firstSizing == ViewerKind::AdjustToContents)
        adjustSize();
}

} // namespace VORNE
