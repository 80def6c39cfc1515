#pragma once
// Checks of a batch's output names before its first index runs, free of executor state so that the window
// and the headless runner check alike: which (index, port) pairs would write the same file, and the
// temporary files that killed runs left in the output folders.
//
// The suffix an image gets is only known once it exists, so names are compared without it: two pairs
// collide when their directory and stem are equal and their suffixes can end alike (".pxm" may become
// ".pgm", any suffix but the four fixed ones may become ".tif" or ".iass.gz"). Files of an earlier run are
// not looked at: a rerun overwriting them is normal.
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

#include "executor/outputnaming.h"

namespace VORNE {

struct OutputCollision
{
    QString name; // the stem both would write, suffix left out
    int index = 0;
    int port = 0;
    int earlierIndex = 0; // the first pair with that name
    int earlierPort = 0;
};

// Every pair after the first that names an already named file, in batch order. inputsOf gives the naming
// inputs of a batch index.
QList<OutputCollision> findOutputCollisions(const QList<OutputPattern>& patterns, int outputCount,
                                            const QList<int>& indices,
                                            const std::function<QList<NamingInput>(int)>& inputsOf);

// The suffixes a port with this configured suffix can end up with.
QStringList possibleSuffixes(const QString& suffix);

// The pattern with the batch index added where it keeps the name readable ("%i0_%o" -> "%i0_%n_%o").
QString suggestedPattern(const QString& pattern);

// A few lines for a message: the first `shown` collisions, the count and the suggested pattern.
QString collisionReport(const QList<OutputCollision>& collisions, const QList<OutputPattern>& patterns,
                        int shown = 5);

// Removes, from the folders the patterns write to, the temporary files of killed runs (processes of this
// host that no longer run) whose target matches one of the patterns. Returns how many were removed.
int removeLeftovers(const QList<OutputPattern>& patterns);

} // namespace VORNE
