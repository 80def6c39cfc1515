// The processing nodes of the suite, one OpenCV operation each.
#include "add.h"
#include "blend.h"
#include "centroids.h"
#include "connectedcomponents.h"
#include "converttype.h"
#include "crop.h"
#include "gaussianblur.h"
#include "gradientmagnitude.h"
#include "histogram.h"
#include "invert.h"
#include "medianblur.h"
#include "morphology.h"
#include "normalize.h"
#include "resize.h"
#include "statistics.h"
#include "subtract.h"
#include "threshold.h"

using namespace imgproc;

KORA_DEFINE_PLUGIN_ENTRIES({"GaussianBlur", &KORA::CreatePluginNode<GaussianBlur>},
                           {"MedianBlur", &KORA::CreatePluginNode<MedianBlur>},
                           {"Threshold", &KORA::CreatePluginNode<Threshold>},
                           {"Invert", &KORA::CreatePluginNode<Invert>},
                           {"ConvertType", &KORA::CreatePluginNode<ConvertType>},
                           {"Normalize", &KORA::CreatePluginNode<Normalize>},
                           {"Resize", &KORA::CreatePluginNode<Resize>},
                           {"Morphology", &KORA::CreatePluginNode<Morphology>},
                           {"GradientMagnitude", &KORA::CreatePluginNode<GradientMagnitude>},
                           {"Add", &KORA::CreatePluginNode<Add>},
                           {"Subtract", &KORA::CreatePluginNode<Subtract>},
                           {"Blend", &KORA::CreatePluginNode<Blend>},
                           {"ConnectedComponents", &KORA::CreatePluginNode<ConnectedComponents>},
                           {"Statistics", &KORA::CreatePluginNode<Statistics>},
                           {"Histogram", &KORA::CreatePluginNode<Histogram>},
                           {"Centroids", &KORA::CreatePluginNode<Centroids>},
                           {"Crop", &KORA::CreatePluginNode<Crop>})
