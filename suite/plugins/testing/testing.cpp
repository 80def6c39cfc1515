// The entries of the testing plug-in: nodes whose behaviour tests can predict exactly.
#include "delay.h"
#include "echo.h"
#include "fail.h"

KORA_DEFINE_PLUGIN_ENTRIES({"Delay", &KORA::CreatePluginNode<testing_plugin::Delay>},
                           {"Echo", &KORA::CreatePluginNode<testing_plugin::Echo>},
                           {"Fail", &KORA::CreatePluginNode<testing_plugin::Fail>})
