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
#include "executor/textimage.h"
#include "items/item.h"
#include "kora/kora.h"
#include "rp/rp.h"

namespace VORNE {

namespace {

Q_LOGGING_CATEGORY(lcInput, "vorne.executor")

// Rows without numbers before the first row with numbers still become image rows whose pixels nobody
// wrote. A few such lines in front of a long row would otherwise make an image far larger than the file.
constexpr qint64 kMaxUnwrittenPixels = qint64(1) << 24;

bool isTextImagePath(const QString& path)
{
    return path.endsWith(QLatin1String(".asc")) || path.endsWith(QLatin1String(".mark")) ||
           path.endsWith(QLatin1String(".txt"));
}

} // namespace

KORA::CValue* GraphExecutor::loadInput(Item* item)
{
    if (!item)
        return nullptr;
    const QString path = item->valueText();
    if (item->type() == Item::ImageFileType && isTextImagePath(path)) {
        KORA::CImage* image = loadTxtImage(path);
        if (m_error || !image) {
            delete image;
            return nullptr;
        }
        return new KORA::CValueOwnedPointer<KORA::CImage>(image, 1);
    }
    if (item->type() == Item::ImageFileType && path.endsWith(QLatin1String(".cine"))) {
        std::unique_ptr<KORA::CImage> image;
        try {
            const QByteArray file = path.toLocal8Bit();
            const RP::value_list result =
                RP::RunPlugin("%KORADIR%/bin/ferrow::ReadCine", "filename", file.constData());
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
        if (m_error)
            return nullptr;
        return new KORA::CValueOwnedPointer<KORA::CImage>(image.release(), 1);
    }
    return item->toCValue();
}

KORA::CImage* GraphExecutor::loadTxtImage(const QString& path)
{
    std::cout << "Loading txt image: " << path.toLocal8Bit().constData() << std::endl;
    const QByteArray localPath = path.toLocal8Bit();
    std::string bytes;
    if (!readTextImageFile(localPath.constData(), bytes)) {
        fail(QStringLiteral("GraphExecutor: Could not open the txt file"));
        std::cerr << m_errorMessage.toLocal8Bit().constData() << std::endl;
        qCWarning(lcInput) << "not a readable file:" << path;
        return nullptr;
    }
    const TextImage text = parseTextImage(bytes.data(), bytes.size());
    if (text.raggedRows) {
        fail(QStringLiteral(
            "GraphExecutor: Could not load txt image. The number of columns are not equal in each row."));
        return nullptr;
    }
    if (text.columns < 1 || text.rows < 1)
        std::cerr << "GraphExecutor: Could not load txt image. No content." << std::endl;
    const qint64 pixelCount = qint64(text.columns) * text.rows;
    if (pixelCount - qint64(text.pixels.size()) > kMaxUnwrittenPixels) {
        fail(QStringLiteral("GraphExecutor: Could not load txt image. Too many rows without numbers in ") + path);
        return nullptr;
    }

    auto image = std::make_unique<KORA::CImage>(KORA::IMAGE_GREY_F, KORA::CSize(text.columns, text.rows));
    image->SetOrigin(KORA::CSize(0, 0, 0));
    const std::size_t copied = std::min(text.pixels.size(), static_cast<std::size_t>(pixelCount));
    if (copied > 0)
        std::memcpy(image->Data(), text.pixels.data(), copied * sizeof(float));
    image->Attributes().SetEntry("image_path", new KORA::CValueString(localPath.constData()));
    return image.release();
}

} // namespace VORNE
