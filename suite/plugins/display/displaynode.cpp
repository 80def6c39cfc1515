#include "displaynode.h"

#include <memory>

#include "displaywindow.h"
#include "imagerender.h"
#include "kora/exception.h"
#include "kora/serializer.h"
#include "kora/valuepointer.h"
#include "viewernode.h"

namespace viewers {

namespace {
const char* const kName = DisplayNode::kEntryName;
const char* const kDefaultStatusLine = "%t|(%s)|%v|(%imin, %imax, %imean, %isigma)|(%pmin, %pmax, %pmean, %psigma)";

[[noreturn]] void Refuse(const std::string& reason)
{
    throw KORA::CException(std::string(kName) + ": " + reason, kName);
}

// The image to keep while it is shown. The host replaces input 0 for the next item, so the window must
// not rely on the input value: an image owned through a shared handle is kept by a second handle (no
// copy); anything else is copied.
std::shared_ptr<const KORA::CImage> KeepImage(const KORA::CValue* input, const KORA::CImage& image)
{
    if (const auto* smart = dynamic_cast<const KORA::CValueSmart*>(input)) {
        const auto* pointer = dynamic_cast<const KORA::CValuePointerBase*>(KORA::Unwrap(input));
        if (pointer && pointer->Owned()) {
            std::shared_ptr<KORA::CValueSmart> handle(smart->CloneValueSmart());
            return std::shared_ptr<const KORA::CImage>(handle, &image);
        }
    }
    return std::make_shared<KORA::CImage>(image);
}

QString SizeText(const KORA::CValue& value)
{
    switch (value.GenericType()) {
    case KORA::GT_VECTOR:
        return QStringLiteral("%1 entries").arg(static_cast<const KORA::CValueVector&>(value).Size());
    case KORA::GT_MAP:
        return QStringLiteral("%1 entries").arg(static_cast<const KORA::CValueMap&>(value).Size());
    case KORA::GT_STRING:
        return QStringLiteral("%1 characters").arg(QString::fromStdString(static_cast<const KORA::CValueString&>(value).Value()).size());
    default:
        return QStringLiteral("1 value");
    }
}
} // namespace

void DisplayNode::GetPluginSetup(KORA::CValueMap& setup)
{
    setup.SetEntry("pluginType", new KORA::CValueString("Viewer"));
    setup.SetEntry("subType", new KORA::CValueString("Display"));
    setup.SetEntry("name", new KORA::CValueString(kName));
    auto* inputs = new KORA::CValueMap;
    inputs->SetEntry("value", new KORA::CValueString("any"));
    setup.SetEntry("inputs", inputs);
    setup.SetEntry("outputs", new KORA::CValueMap);
    auto* parameters = new KORA::CValueMap;
    parameters->SetEntry("StatusLine", new KORA::CValueString(kDefaultStatusLine));
    setup.SetEntry("parameters", parameters);
}

void DisplayNode::Run()
{
    QWidget* host = HostWidget(kName);
    const KORA::CValue& value = Input(0);

    // Everything is checked before the window exists, so that a refused first value builds nothing.
    const KORA::CImage* image = nullptr;
    QString text;
    if (value.GenericType() == KORA::GT_POINTER) {
        if (!KORA::IsPointerTo<KORA::CImage>(&value))
            Refuse("cannot show a " + KORA::HumanReadableTypename(value.Type()));
        image = KORA::UnwrapPointer<KORA::CImage>(&value);
        if (!image)
            Refuse("the image pointer is null");
        if (image->Empty())
            Refuse("the image " + image->Size().ToString() + " has no pixels");
        if (!CanRender(image->Type()))
            Refuse("cannot show images of type " + std::string(KORA::ImageTypeName(image->Type())));
    } else if (value.GenericType() == KORA::GT_STRING) {
        // A string reads better without the quotes and escapes of its serialization.
        text = QString::fromStdString(static_cast<const KORA::CValueString&>(value).Value());
    } else {
        try {
            text = QString::fromStdString(KORA::CTextSerializer(false, false).ToString(value));
        } catch (const KORA::CException& error) {
            Refuse(std::string("cannot show the value as text: ") + error.what());
        }
    }

    if (!m_window)
        m_window = new DisplayWindow(host);
    m_window->setStatusTemplate(QString::fromStdString(Parameters().EntryString("StatusLine", kDefaultStatusLine)));
    if (image)
        m_window->showImage(KeepImage(Inputs().At(0), *image));
    else
        m_window->showText(text, QString::fromLatin1(KORA::GenericTypeName(value.GenericType())), SizeText(value));
}

} // namespace viewers
