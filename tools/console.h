#pragma once
// Standard output belongs to the runner: the plan, the summary and, in a worker, the result lines the
// parent reads. The executor and the plug-ins narrate every execution on standard output too, so their
// writes are sent to /dev/null at the descriptor level and the runner keeps a private copy of the stream.
#include <QString>

#include <string>

namespace VORNE::batch {

void divertStandardOutput();
// Writes text (a line end is not added) to the real standard output at once.
void printOut(const QString& text);
void printOut(const std::string& text);
// Writes all of text to a descriptor, retrying after signals; false when it could not.
bool writeAll(int fd, const std::string& text);

} // namespace VORNE::batch
