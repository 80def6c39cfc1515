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

KORA_DEFINE_PLUGIN_ENTRIES(KORA_PLUGIN_NODE(GaussianBlur),
                           KORA_PLUGIN_NODE(MedianBlur),
                           KORA_PLUGIN_NODE(Threshold),
                           KORA_PLUGIN_NODE(Invert),
                           KORA_PLUGIN_NODE(ConvertType),
                           KORA_PLUGIN_NODE(Normalize),
                           KORA_PLUGIN_NODE(Resize),
                           KORA_PLUGIN_NODE(Morphology),
                           KORA_PLUGIN_NODE(GradientMagnitude),
                           KORA_PLUGIN_NODE(Add),
                           KORA_PLUGIN_NODE(Subtract),
                           KORA_PLUGIN_NODE(Blend),
                           KORA_PLUGIN_NODE(ConnectedComponents),
                           KORA_PLUGIN_NODE(Statistics),
                           KORA_PLUGIN_NODE(Histogram),
                           KORA_PLUGIN_NODE(Centroids),
                           KORA_PLUGIN_NODE(Crop))
