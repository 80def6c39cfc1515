// Output collection: one item per output port of the last execution. Images are written to the file the
// port's pattern names; image handles stay in memory; every other value becomes an item of its type.
#include <QFileInfo>

#include <future>
#include <iostream>
#include <memory>
#include <optional>
#include <system_error>

#include "executor/graphexecutor.h"
#include "items/checksum.h"
#include "items/item.h"
#include "kora/kora.h"

namespace VORNE {

void GraphExecutor::collectOutputs()
{
    waitForSaves(); // saves nobody took write into the items deleted below
    if (m_ownsOutputItems)
        qDeleteAll(m_outputItems);
    m_outputItems.clear();
    m_ownsOutputItems = true;
    // A failed execution must still tell the caller why, so it yields at least one item.
    if (m_error && m_outputCount == 0)
        m_outputCount = 1;
    for (int i = 0; i < m_outputCount; ++i) {
        Item* item = outputItem(i);
        if (!m_inputErrors.isEmpty())
            item->setData(Item::InputErrorRole, m_inputErrors.join(QLatin1Char('\n')));
        m_outputItems.append(item);
    }
}

Item* GraphExecutor::outputItem(int port)
{
    auto* item = new Item();
    if (parent())
        item->moveToThread(parent()->thread());
    if (m_error) {
        item->setStatus(Item::WarningStatus);
        item->setErrorMessage(m_errorMessage);
        item->setOutcome(Item::Failed);
        std::cout << "ERROR DETECTED: " << m_errorMessage.toLocal8Bit().constData() << std::endl;
        return item;
    }
    const KORA::CValue* output = KORA::Unwrap(m_outputs->At(static_cast<std::size_t>(port)));
    const int kind = output ? output->GenericType() : -1;
    switch (kind) {
    case KORA::GT_BOOL:
        item->setValue(static_cast<const KORA::CValueBool*>(output)->Value());
        break;
    case KORA::GT_DOUBLE:
        item->setValue(static_cast<const KORA::CValueDouble*>(output)->Value());
        break;
    case KORA::GT_LONG:
        item->setValue(static_cast<qint32>(static_cast<const KORA::CValueLong*>(output)->Value()));
        break;
    case KORA::GT_MAP:
        item->setValue(static_cast<const KORA::CValueMap*>(output));
        break;
    case KORA::GT_POINTER:
        fillFromPointer(item, port);
        break;
    case KORA::GT_STRING: {
        const std::string& text = static_cast<const KORA::CValueString*>(output)->Value();
        item->setValue(QString::fromLocal8Bit(text.data(), static_cast<int>(text.size())));
        break;
    }
    case KORA::GT_VECTOR:
        item->setValue(static_cast<const KORA::CValueVector*>(output));
        break;
    default:
        item->setValue(QFileInfo(outputFilename(port)).fileName(), Item::NoValueType);
        item->setStatus(Item::ErrorStatus);
        item->setOutcome(Item::Failed);
        break;
    }
    return item;
}

void GraphExecutor::stampImageAttributes(KORA::CValueMap& attributes, int port) const
{
    // An image that passed through another graph keeps the name of the graph that made it.
    if (attributes.HasEntry("script"))
        return;
    attributes.SetEntry("script", new KORA::CValueString(m_graphPath.toLocal8Bit().constData()));
    if (m_outputCount > 1)
        attributes.SetEntry("scriptoutput", new KORA::CValueLong(port));
}

namespace {

QString failureText(const std::exception_ptr& failure)
{
    try {
        std::rethrow_exception(failure);
    } catch (const KORA::CException& exception) {
        return QString::fromLocal8Bit(exception.FormattedWhat().c_str());
    } catch (const std::exception& exception) {
        // The thread must survive whatever the writer throws; the item says what it was.
        return QString::fromLocal8Bit(exception.what());
    } catch (...) {
        return GraphExecutor::tr("Unexpected error!");
    }
}

// Nothing on success, else what the library said. checksum: of the bytes written.
std::optional<QString> saveImage(const QString& name, const KORA::CImage& image, QString* checksum)
{
    try {
        KORA::StImgSaveCfg config;
        config.quality = -1;
        config.flags = 0;
        config.reserved0 = 0;
        config.compression = -1;
        config.reserved1 = 0;
        KORA::CImageIo2::EncodedBytes written;
        if (checksum)
            written = [checksum](const unsigned char* data, std::size_t size) {
                *checksum = contentChecksum(data, size);
            };
        KORA::CImageIo2::Save(name.toLocal8Bit().constData(), image, config, written);
        // A writer that went to the file itself showed no bytes: the file, fresh in the page cache, is read
        // once more.
        if (checksum && checksum->isNull())
            *checksum = fileChecksum(name);
        return std::nullopt;
    } catch (...) {
        return failureText(std::current_exception());
    }
}

// The item of a saved image: its file, or why there is none.
void showSaved(Item* item, const QString& name, const std::optional<QString>& failure, const QString& checksum)
{
    if (!failure) {
        item->setValue(name, Item::ImageFileType);
        item->setData(Item::ChecksumRole, checksum);
        return;
    }
    item->setType(Item::NoValueType);
    item->setStatus(Item::ErrorStatus);
    item->setErrorMessage(GraphExecutor::tr("Could not save the output:") + *failure);
    item->setOutcome(Item::Unsaved);
}

} // namespace

void GraphExecutor::saveOutputImage(Item* item, int port)
{
    QString name;
    try {
        KORA::CImage* image = KORA::UnwrapPointer<KORA::CImage>(m_outputs->At(static_cast<std::size_t>(port)));
        stampImageAttributes(image->Attributes(), port);
        name = outputFilename(port);
        if (m_saveBehind)
            saveBehind(item, port, name, image);
        else {
            QString checksum;
            const std::optional<QString> failure = saveImage(name, *image, m_checksums ? &checksum : nullptr);
            showSaved(item, name, failure, checksum);
        }
    } catch (...) {
        showSaved(item, name, failureText(std::current_exception()), QString());
    }
}

void GraphExecutor::saveBehind(Item* item, int port, const QString& name, const KORA::CImage* image)
{
    // The value owns the image; the next execution clears the outputs while the save may still run.
    std::shared_ptr<KORA::CValue> value(m_outputs->Detach(port));
    const auto save = [value, image, name, item, withChecksum = m_checksums] {
        QString checksum;
        const std::optional<QString> failure = saveImage(name, *image, withChecksum ? &checksum : nullptr);
        showSaved(item, name, failure, checksum);
    };
    try {
        m_pendingSaves.push_back(m_saves->post(save));
    } catch (const std::system_error&) {
        save(); // no thread to spare
    }
}

void GraphExecutor::fillFromPointer(Item* item, int port)
{
    const KORA::CValue* output = m_outputs->At(static_cast<std::size_t>(port));
    if (KORA::IsPointerTo<KORA::CImage>(output)) {
        saveOutputImage(item, port);
        return;
    }
    if (KORA::IsPointerTo<KORA::IImage>(output)) {
        KORA::IImage* image = KORA::UnwrapPointer<KORA::IImage>(output);
        if (image)
            stampImageAttributes(image->Attributes(), port);
        // Ports beyond the input list have no input to borrow a label from.
        const QString label = port < m_inputItems.size() && m_inputItems.at(port)
                                  ? m_inputItems.at(port)->valueText()
                                  : m_outputPortNames.value(port, QStringLiteral("output %1").arg(port));
        item->setImageHandle(m_outputs->Detach(port), label);
        return;
    }
    item->setType(Item::NoValueType);
    item->setStatus(Item::ErrorStatus);
    item->setErrorMessage(tr("Unknown Pointer to Object: ") +
                          QString::fromStdString(KORA::HumanReadableTypename(KORA::Unwrap(output)->Type())));
    item->setOutcome(Item::Failed);
}

} // namespace VORNE
