#include "connectedcomponents.h"

#include "labelling.h"

namespace imgproc {

void ConnectedComponents::GetPluginSetup(KORA::CValueMap& setup)
{
    DescribePins(setup, kEntryName, {{"mask", "mask"}},
                 {{"labels", "image"}, {"count", "long"}, {"areas", "vector"}})
        .SetEntry("min_area", new KORA::CValueLong(0));
}

void ConnectedComponents::Run()
{
    const KORA::CImage& mask = InputImage(0, kMask | Bit(KORA::IMAGE_GREY_8));
    const CLabelling labelling(mask, Parameters().EntryLong("min_area", 0));
    if (labelling.Count() > INT32_MAX)
        Fail("too many objects");
    SetImageOutput(0, labelling.LabelImage(mask));
    SetOutput(1, new KORA::CValueLong(static_cast<int32_t>(labelling.Count())));
    auto* areas = new KORA::CValueVector;
    for (int64_t area : labelling.Areas())
        areas->Append(new KORA::CValueLong(static_cast<int32_t>(area)));
    SetOutput(2, areas);
}

} // namespace imgproc
