// The entries of the testing plug-in: nodes whose behaviour tests can predict exactly.
#include "delay.h"
#include "echo.h"
#include "fail.h"

KORA_DEFINE_PLUGIN_ENTRIES(KORA_PLUGIN_NODE(testing_plugin::Delay),
                           KORA_PLUGIN_NODE(testing_plugin::Echo),
                           KORA_PLUGIN_NODE(testing_plugin::Fail))
