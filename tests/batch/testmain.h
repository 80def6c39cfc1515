#pragma once
// GoogleTest with a Qt application object, which QProcess and the executor thread need.
#include <QCoreApplication>

#include <gtest/gtest.h>

#include "kora/state.h"

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    const int status = RUN_ALL_TESTS();
    KORA::VexExit();
    return status;
}
