#include "viewers/display.h"

#include <QDir>
#include <QFile>
#include <QTemporaryFile>

#include "kora/exception.h"
#include "kora/image.h"
#include "kora/imageio.h"
#include "kora/value.h"
#include "kora/valuepointer.h"
#include "viewers/viewerkinds.h"

namespace VORNE {

Display::Display(int portType, int portIndex, QWidget* parent)
    : PluginDisplay(viewerKindOf<Display>(), portType, portIndex, parent)
{
}

namespace {

// The icon's copy on disk, removed when the process ends (or the library is unloaded).
struct ErrorIconCopy
{
    ErrorIconCopy()
    {
        // A temporary file's name that is free now; the file itself goes away with the object. The image
        // reader picks its format by the extension, hence the suffix.
        QTemporaryFile file(QDir::tempPath() + QStringLiteral("/vorne-error-icon-XXXXXX.png"));
        file.open();
        path = file.fileName();
    }
    ~ErrorIconCopy() { QFile::remove(path); }
    QString path;
};

} // namespace

QString Display::errorImagePath()
{
    static const ErrorIconCopy copy;
    return copy.path;
}

KORA::CValue* Display::errorImageValue(const QString& state)
{
    const QString path = errorImagePath();
    if (!QFile::exists(path))
        QFile::copy(QStringLiteral(":/resources/error-icon.png"), path);
    try {
        const KORA::StImgLoadCfg config{};
        KORA::CImage* image = KORA::CImageIo2::Load(path.toLocal8Bit().constData(), config);
        if (image) {
            image->Attributes().SetEntry("placeholder", new KORA::CValueString(state.toUtf8().constData()));
            return new KORA::CValueOwnedPointer<KORA::CImage>(image);
        }
    } catch (const KORA::CException&) {
    }
    return nullptr;
}

} // namespace VORNE
