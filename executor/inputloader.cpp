// Input loading: turns an input item into the value a graph input receives. Most items convert themselves;
// text images are parsed here and recordings go through their loader plug-in.
#include <QFile>
#include <QLoggingCategory>

#include <algorithm>
#include <cstring>
#include <iostream>
#include <memory>
#include <string>

#include "executor/graphexecutor.h"
#include "executor/inputcache.h"
#include "items/item.h"
#include "kora/kora.h"
#include "kora/textimage.h"
#include "ostrel/graph.h"
#include "rp/rp.h"

namespace VORNE {

namespace {

Q_LOGGING_CATEGORY(lcInput, "vorne.executor")

// The registry's format for the file when its name ends in that format's extension exactly as written:
// "image.TXT" is no text image here, the item converts it itself.
const KORA::StFileFormat* exactFormat(const QString& path, KORA::FileReader reader)
{
    const KORA::StFileFormat* format = KORA::CFormatRegistry::Find(path.toStdString());
    if (format && format->reader == reader && path.endsWith(QLatin1String(format->extension)))
        return format;
    return nullptr;
}

} // namespace

KORA::CValue* GraphExecutor::loadInput(Item* item)
{
    KORA::CValue* value = decodeInput(item);
    const int port = m_inputItems.indexOf(item);
    if (value && port >= 0 && port < m_inputPixelSizes.size() && KORA::IsPointerTo<KORA::CImage>(value))
        if (const KORA::CImage* image = KORA::UnwrapPointer<KORA::CImage>(value))
            m_inputPixelSizes[port] = {QString::fromStdString(KORA::PixelSizeText(*image)),
                                       QString::fromStdString(KORA::PixelUnitText(*image))};
    return value;
}

KORA::CValue* GraphExecutor::decodeInput(Item* item)
{
    if (!item)
        return nullptr;
    const QString path = item->valueText();
    if (item->type() != Item::ImageFileType)
        return item->toCValue();
    if (exactFormat(path, KORA::FileReader::TextImage)) {
        KORA::CImage* image = loadTxtImage(path);
        if (m_error || !image) {
            noteInputError(item, m_errorMessage);
            delete image;
            return nullptr;
        }
        return new KORA::CValueOwnedPointer<KORA::CImage>(image, 1);
    }
    if (const KORA::StFileFormat* recording = exactFormat(path, KORA::FileReader::Cine)) {
        std::unique_ptr<KORA::CImage> image;
        try {
            const QByteArray file = path.toLocal8Bit();
            const RP::value_list result = RP::RunPlugin(recording->plugin, "filename", file.constData());
            if (!result.empty())
                image.reset(static_cast<KORA::CImage*>(result.front()));
        } catch (const KORA::CException& exception) {
            std::cerr << "GraphExecutor::loadInput(): KORA::CException  " << exception.FormattedWhat() << std::endl;
            fail(QString::fromLocal8Bit(exception.FormattedWhat().c_str()));
        } catch (const std::exception& exception) {
            std::cerr << "GraphExecutor::loadInput(): standard exception: " << exception.what() << std::endl;
            fail(QString::fromLocal8Bit(exception.what()));
        } catch (...) {
            std::cerr << "GraphExecutor::loadInput(): Unexpected exception" << std::endl;
            fail(tr("Unexpected error!"));
        }
        if (m_error) {
            noteInputError(item, m_errorMessage);
            return nullptr;
        }
        return new KORA::CValueOwnedPointer<KORA::CImage>(image.release(), 1);
    }
    if (m_inputCache) {
        if (KORA::CValue* ready = m_inputCache->take(item, [this] { return aborted(); }))
            return ready;
        if (aborted())
            return nullptr;
    }
    QString reason;
    KORA::CValue* value = item->toCValue(&reason);
    if (value == nullptr && !reason.isEmpty())
        noteInputError(item, reason);
    return value;
}

void GraphExecutor::noteInputError(const Item* item, const QString& reason)
{
    const int port = m_inputItems.indexOf(const_cast<Item*>(item));
    QString name;
    if (m_graph && port >= 0 && port < m_graph->GetInpinCount())
        name = QString::fromStdString(m_graph->GetInpinName(port));
    m_inputErrors << QStringLiteral("cannot read input %1 '%2' from '%3': %4")
                         .arg(port)
                         .arg(name, item->valueText(), reason);
}

KORA::CImage* GraphExecutor::loadTxtImage(const QString& path)
{
    std::cout << "Loading txt image: " << path.toLocal8Bit().constData() << std::endl;
    const QByteArray localPath = path.toLocal8Bit();
    std::string bytes;
    if (!KORA::ReadTextImageFile(localPath.constData(), bytes)) {
        fail(QStringLiteral("GraphExecutor: Could not open the txt file"));
        std::cerr << m_errorMessage.toLocal8Bit().constData() << std::endl;
        qCWarning(lcInput) << "not a readable file:" << path;
        return nullptr;
    }
    const KORA::StTextImage text = KORA::ParseTextImage(bytes.data(), bytes.size());
    if (text.raggedRows) {
        fail(QStringLiteral(
            "GraphExecutor: Could not load txt image. The number of columns are not equal in each row."));
        return nullptr;
    }
    if (text.columns < 1 || text.rows < 1)
        std::cerr << "GraphExecutor: Could not load txt image. No content." << std::endl;
    try {
        return KORA::TextImageToImage(text, localPath.toStdString());
    } catch (const KORA::CException&) {
        // Lines without numbers before a long row: the image would be far larger than the file.
        fail(QStringLiteral("GraphExecutor: Could not load txt image. Too many rows without numbers in ") + path);
        return nullptr;
    }
}

} // namespace VORNE
