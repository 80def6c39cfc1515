#pragma once
// Everything of the base library but the OpenCV views (kora/opencv.h).
#include "kora/exception.h"
#include "kora/formatregistry.h"
#include "kora/image.h"
#include "kora/imageio.h"
#include "kora/node.h"
#include "kora/serializer.h"
#include "kora/state.h"
#include "kora/string.h"
#include "kora/textimage.h"
#include "kora/value.h"
#include "kora/valuepointer.h"
