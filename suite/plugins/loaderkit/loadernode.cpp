#include "loadernode.h"

#include <iostream>
#include <memory>

#include "kora/valuepointer.h"

namespace loaderkit {

void CLoaderNode::GetPluginSetup(KORA::CValueMap& setup)
{
    setup.SetEntry("pluginType", new KORA::CValueString("Generic"));
    setup.SetEntry("subType", new KORA::CValueString("Loader"));
    setup.SetEntry("name", new KORA::CValueString(EntryName()));
    setup.SetEntry("inputs", new KORA::CValueMap);
    auto* outputs = new KORA::CValueMap;
    outputs->SetEntry("image", new KORA::CValueString("image"));
    setup.SetEntry("outputs", outputs);
    auto* parameters = new KORA::CValueMap;
    parameters->SetEntry("filename", new KORA::CValueString(""));
    parameters->SetEntry("verbose", new KORA::CValueBool(false));
    setup.SetEntry("parameters", parameters);
}

void CLoaderNode::Run()
{
    const std::string path = Parameters().EntryString("filename");
    if (path.empty())
        throw KORA::CException(std::string(EntryName()) + ": no file given (parameter \"filename\")", Describe());
    std::unique_ptr<KORA::CImage> image;
    try {
        image.reset(Load(path));
    } catch (const KORA::CException& error) {
        throw KORA::CExIo(std::string(EntryName()) + ": " + error.what(), Describe());
    }
    image->Attributes().SetEntry("image_path", new KORA::CValueString(path));
    if (Parameters().EntryBool("verbose", false))
        std::cerr << EntryName() << ": read '" << path << "', " << KORA::ImageTypeName(image->Type()) << ", "
                  << image->Size().ToString() << "\n";
    SetOutput(0, new KORA::CValueOwnedPointer<KORA::CImage>(image.release()));
}

} // namespace loaderkit
