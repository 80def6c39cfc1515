// The stand-alone program: the library is started first, then the application object, then VORNE.
#include "app/ccatchingapplication.h"
#include "app/startup.h"
#include "kora/state.h"

int main(int argc, char** argv)
{
    KORA::VexInit(-1);
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    if (const std::optional<int> status = VORNE::answerInformationOptions(arguments))
        return *status;
    CCatchingApplication app(argc, argv);
    return VORNE::startUp(QCoreApplication::arguments());
}
