#include "readascii.h"

#include "kora/exception.h"
#include "kora/formatregistry.h"
#include "kora/textimage.h"

namespace utility {

KORA::CImage* ReadASCII::Load(const std::string& path)
{
    const KORA::StFileFormat* format = KORA::CFormatRegistry::Find(path);
    const bool commaSeparated = format && std::string(format->extension) == ".csv";
    try {
        return KORA::LoadTextImage(path, commaSeparated ? KORA::TextSeparators::BlanksCommasSemicolons
                                                        : KORA::TextSeparators::Blanks);
    } catch (const KORA::CException& error) {
        // The node reports what() alone; the file's name must stay in it.
        throw KORA::CExIo(error.FormattedWhat(), path);
    }
}

} // namespace utility
