#include "results/thumbnail.h"

#include <QFile>

#include <memory>

#include "kora/contrast.h"
#include "kora/exception.h"
#include "kora/imageio.h"

namespace VORNE {

QString writeThumbnail(const QString& image, const QString& target)
{
    try {
        const std::unique_ptr<KORA::CImage> source(KORA::CImageIo2::Load(QFile::encodeName(image).constData()));
        const std::unique_ptr<KORA::CImage> picture(KORA::Thumbnail(*source, kThumbnailSide));
        KORA::CImageIo2::Save(QFile::encodeName(target).constData(), *picture);
        return QString();
    } catch (const KORA::CException& e) {
        return QString::fromStdString(e.FormattedWhat());
    } catch (const std::exception& e) {
        return QString::fromStdString(e.what());
    } catch (...) {
        return QStringLiteral("unknown error while drawing the picture");
    }
}

} // namespace VORNE
