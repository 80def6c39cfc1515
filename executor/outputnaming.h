#pragma once
// The output file name language, free of any executor state so that a caller without a thread (the
// headless runner, the settings preview) names files exactly as a run does.
//
// Placeholders of a pattern (case-sensitive; any other "%" sequence stays as written):
//   %iN  the name of input N (no digits: input 0): an image file's complete base name, else its batch row
//   %n   the batch row of the input named by %i, or of input 0 when the pattern has no %i
//   %o   the output port index; %d is the same, kept for older patterns
// Only the first %i token is replaced (every occurrence of that exact token); a second, different token
// stays as written.
#include <QList>
#include <QString>

#include <cstdint>

#include "executor/outputpattern.h"
#include "kora/image.h"

namespace VORNE {

class Item;

// What a pattern needs to know of one input.
struct NamingInput
{
    QString name; // the text %i stands for
    int row = -1; // the text %n stands for; -1 when the item is in no list
};

NamingInput namingInput(const Item* item);
// The same for an item of this type and text at that row, without the item.
NamingInput namingInput(int type, const QString& text, int row);

// The suffix actually appended for an image of this type and depth: the fixed suffixes are kept, images
// only a few formats can hold force one of those, and ".pxm" picks the matching netpbm format.
QString outputSuffix(const QString& suffix, KORA::ImageType type, std::int64_t depth);

// The full file name for output port `port`. Patterns: one per port, or one for all (a port beyond the
// list uses the first). image: what the port holds when it is a library image, else null (no suffix then).
// Without any pattern the name of a fresh temporary file is returned (and a warning printed).
QString outputFilename(const QList<OutputPattern>& patterns, int port, const QList<NamingInput>& inputs,
                       const KORA::CImage* image);

} // namespace VORNE
