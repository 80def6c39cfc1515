#include "tools/processexit.h"

#include <cstdio>
#include <iostream>
#include <unistd.h>
#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

namespace VORNE::batch {

int endProcess(int status)
{
#if defined(__SANITIZE_ADDRESS__)
    return status;
#else
    std::cout.flush();
    std::cerr.flush();
    std::fflush(nullptr);
    ::_exit(status);
#endif
}

int checkedForLeaks(int status)
{
#if defined(__SANITIZE_ADDRESS__)
    if (__lsan_do_recoverable_leak_check() != 0)
        return 23;
#endif
    return status;
}

} // namespace VORNE::batch
