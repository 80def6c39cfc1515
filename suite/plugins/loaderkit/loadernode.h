#pragma once
// The base of the file loaders: parameters "filename" and "verbose", one output pin "image", and
// errors that name the loader and the file.
#include <string>

#include "kora/image.h"
#include "kora/node.h"

namespace loaderkit {

class CLoaderNode : public KORA::CPNode
{
public:
    void GetPluginSetup(KORA::CValueMap& setup) override;
    void Run() override;

protected:
    // The entry name, for the description and the messages.
    virtual const char* EntryName() const = 0;
    // A new image the caller owns; throws CException naming the file.
    virtual KORA::CImage* Load(const std::string& path) = 0;
};

} // namespace loaderkit
