#include "viewers/plugindisplay.h"

#include <QFileInfo>
#include <QLoggingCategory>
#include <QStringList>

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

bool hasNoValue(const Item& item)
{
    return item.type() == Item::UndefinedType || item.type() == Item::NoValueType;
}

// Why the item is not shown as a result, in its own words where it has them. decoderReason: what the
// conversion said, if anything.
QString missingValueReason(const Item& item, const QString& decoderReason)
{
    QStringList why;
    if (!item.errorMessage().isEmpty())
        why << item.errorMessage();
    // The inputs its step could not read explain the failure of the step.
    const QString inputErrors = item.data(Item::InputErrorRole).toString();
    if (!inputErrors.isEmpty())
        why << inputErrors;
    if (!why.isEmpty())
        return why.join(QLatin1Char('\n'));
    switch (item.type()) {
    case Item::UndefinedType:
    case Item::NoValueType:
        return QObject::tr("the item has no value");
    case Item::ImageFileType:
        if (!QFileInfo::exists(item.valueText()))
            return QObject::tr("the file does not exist");
        return decoderReason.isEmpty() ? QObject::tr("the file cannot be read as an image") : decoderReason;
    default:
        return decoderReason.isEmpty() ? QObject::tr("its value cannot be converted") : decoderReason;
    }
}

// What an item without a value is, for the plug-in's status line in place of its stand-in's figures.
QString stateText(const Item& item)
{
    if (item.outcome() == Item::Unsaved)
        return QObject::tr("Not saved");
    if (!item.errorMessage().isEmpty())
        return QObject::tr("Step failed");
    return QObject::tr("No value");
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

KORA::CValue* PluginDisplay::valueFor(const Item& item, QString* reason) const
{
    if (hasNoValue(item) && m_kind.valueForEmptyItem)
        return m_kind.valueForEmptyItem(stateText(item));
    // For an image handle this is a second handle to the item's value, which the item keeps.
    KORA::CValue* value = item.toCValue(reason);
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
    QString decoderReason;
    KORA::CValue* value = valueFor(*item, &decoderReason);
    if (!value) {
        reportFailure(*item, missingValueReason(*item, decoderReason));
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
    // A stand-in is drawn, but it is no result: the caption says why there is none.
    if (hasNoValue(*item))
        reportFailure(*item, missingValueReason(*item, QString()));
    else
        clearFailure();
    if (m_firstView || m_kind.adoptEveryTime)
        adoptPluginWindow();
    return true;
}

void PluginDisplay::reportFailure(const Item& item, const QString& reason)
{
    const int row = item.row();
    const QString number = row < 0 ? QStringLiteral("-") : QString::number(row + 1);
    // The summary of an item with an error is that error, which the reason already gives.
    const QString what = item.errorMessage().isNull() ? item.summaryText() : item.valueText();
    const QString text = what.isEmpty() ? tr("Item %1 cannot be shown: %2").arg(number, reason)
                                        : tr("Item %1 (%2) cannot be shown: %3").arg(number, what, reason);
    m_caption->say(text);
    qCDebug(lcViewers) << m_kind.name << text;
}

void PluginDisplay::clearFailure()
{
    m_caption->say(QString());
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
