#include "kora/exception.h"

#include <utility>

namespace KORA {

CException::CException(std::string message, std::string source)
    : m_message(std::move(message)), m_source(std::move(source))
{
}

CException::~CException() = default;
CExIo::~CExIo() = default;
CExUnimp::~CExUnimp() = default;
CExBadType::~CExBadType() = default;

const char* CException::what() const noexcept
{
    return m_message.c_str();
}

std::string CException::FormattedWhat() const
{
    return m_source.empty() ? m_message : m_source + ": " + m_message;
}

} // namespace KORA
