#include "executor/planesplit.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <memory>

#include "kora/exception.h"
#include "kora/imageio.h"

namespace VORNE {

namespace {

QString baseName(const QString& file)
{
    QString base = QFileInfo(file).completeBaseName();
    // The parts are plain TIFF stacks, not OME files.
    if (base.endsWith(QLatin1String(".ome"), Qt::CaseInsensitive))
        base.chop(4);
    return base;
}

} // namespace

PlaneSplit splitPlanes(const QString& file, const QString& folder, const std::function<void(int, int)>& progress)
{
    PlaneSplit result;
    const auto fail = [&result, &file](const QString& reason) {
        for (const QString& written : qAsConst(result.written))
            QFile::remove(written);
        result.written.clear();
        // The library's messages begin with the file they are about; ours name the input first.
        result.error = reason.startsWith(file) ? reason : file + QStringLiteral(": ") + reason;
        return result;
    };
    if (!QFileInfo(folder).isDir())
        return fail(QStringLiteral("the folder '%1' does not exist").arg(folder));
    try {
        const QByteArray path = file.toLocal8Bit();
        const KORA::StImageHeader header = KORA::CImageIo2::ReadHeader(path.constData());
        if (header.channels == 1 && header.timePoints == 1)
            return fail(QStringLiteral("one channel and one time point (%1): nothing to split")
                            .arg(QString::fromStdString(header.size.ToString())));
        QStringList targets;
        const QDir into(folder);
        for (int64_t c = 0; c < header.channels; ++c)
            for (int64_t t = 0; t < header.timePoints; ++t)
                targets << into.absoluteFilePath(QStringLiteral("%1_c%2_t%3.tif").arg(baseName(file)).arg(c).arg(t));
        for (const QString& target : qAsConst(targets))
            if (QFileInfo::exists(target))
                return fail(QStringLiteral("'%1' exists already; remove it or choose another folder").arg(target));
        int next = 0;
        for (int64_t c = 0; c < header.channels; ++c)
            for (int64_t t = 0; t < header.timePoints; ++t) {
                const KORA::StImgLoadCfg plane{KORA::IMG_LOAD_PLANE, static_cast<int32_t>(c), t};
                const std::unique_ptr<KORA::CImage> stack(KORA::CImageIo2::Load(path.constData(), plane));
                // Loading names what it lost; the part keeps the pixel size, not the warning.
                stack->Attributes().RemoveEntry("warning");
                const QString& target = targets.at(next++);
                KORA::CImageIo2::Save(target.toLocal8Bit().constData(), *stack);
                result.written << target;
                if (progress)
                    progress(next, targets.size());
            }
    } catch (const KORA::CException& e) {
        return fail(QString::fromStdString(e.FormattedWhat()));
    } catch (const std::exception& e) {
        return fail(QString::fromLocal8Bit(e.what()));
    }
    return result;
}

} // namespace VORNE
