#pragma once
// Splitting of a multi-channel or time-lapse image file (an ImageJ hyperstack, an OME-TIFF) into one TIFF
// per channel and time point, each the Z stack of that channel at that time point with the file's pixel
// size, so that time-lapse work can treat each time point as an ordinary input. Used by vorne-batch's
// `split` command and by the window's input lists.
//
// Qt Core and the base library only; any thread, one call per file, no shared state. Memory holds one
// channel-and-time stack at a time, whatever the size of the file.
#include <QString>
#include <QStringList>

#include <functional>

namespace VORNE {

struct PlaneSplit
{
    // The files written, channel by channel and within a channel time point by time point.
    QStringList written;
    // Empty when the file was split; otherwise what went wrong, naming the file.
    QString error;
};

// Writes `<base>_c<C>_t<T>.tif` (C and T from 0; base is the file's complete base name without a trailing
// ".ome") into folder. A file with one channel and one time point is refused: there is nothing to split.
// A target that exists already is refused before anything is written, since silently replacing the
// result of an earlier split (or the user's own file) could lose work; and a file whose split fails half
// way leaves none of its files behind, so a file is split completely or not at all. progress, when given,
// hears (files written, files to write) after each file.
PlaneSplit splitPlanes(const QString& file, const QString& folder,
                       const std::function<void(int done, int total)>& progress = {});

} // namespace VORNE
