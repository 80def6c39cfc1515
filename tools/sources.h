#pragma once
// Turns one SOURCE of the command line into the items it stands for, with the same checks the main
// window applies when a user adds the same things by hand.
#include <QList>
#include <QString>
#include <QStringList>

#include <stdexcept>

#include "items/item.h"
#include "tools/inputlist.h"

namespace VORNE::batch {

// A source that names nothing usable: missing files, an empty folder, a value that does not convert.
class InputError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

// Relative paths are taken relative to the current directory; image files come back absolute. Every image
// file named must exist. A folder or a glob takes the files the format registry reads as images and
// appends every other one to skipped as "name (reason)". Throws InputError.
void expandSource(const QString& source, InputList& into, QStringList* skipped = nullptr);

// Why a folder or glob scan leaves the file at path out; empty when it takes it.
QString scanRefusal(const QString& path);

} // namespace VORNE::batch
