#pragma once
// How the files of one output port are named: the directory they go to, the file name pattern with its
// placeholders (for instance "%i0_%o") and the suffix that picks the image writer (for instance ".png").
#include <QMetaType>
#include <QString>

namespace VORNE {

struct OutputPattern
{
    QString directory;
    QString pattern;
    QString suffix;

    bool operator==(const OutputPattern& other) const
    {
        return directory == other.directory && pattern == other.pattern && suffix == other.suffix;
    }
    bool operator!=(const OutputPattern& other) const { return !(*this == other); }
};

} // namespace VORNE

Q_DECLARE_METATYPE(VORNE::OutputPattern)
