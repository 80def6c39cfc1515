#pragma once
#include <exception>
#include <string>

#include "kora/export.h"

namespace KORA {

// Every error of the layer. The source names the class, node, file or key the error is about,
// so a message that reaches a user always says what it concerns.
class KORA_API CException : public std::exception
{
public:
    explicit CException(std::string message, std::string source = std::string());
    ~CException() override;

    // The message alone.
    const char* what() const noexcept override;
    // "source: message", or only the message when the source is empty.
    std::string FormattedWhat() const;

    const std::string& Source() const noexcept { return m_source; }
    const std::string& Message() const noexcept { return m_message; }

private:
    std::string m_message;
    std::string m_source;
};

// Files and formats.
class KORA_API CExIo : public CException
{
public:
    using CException::CException;
    ~CExIo() override;
};

// Something this installation cannot do.
class KORA_API CExUnimp : public CException
{
public:
    using CException::CException;
    ~CExUnimp() override;
};

// A value of the wrong kind or element type.
class KORA_API CExBadType : public CException
{
public:
    using CException::CException;
    ~CExBadType() override;
};

} // namespace KORA
