#include "tools/console.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <iostream>
#include <unistd.h>

namespace VORNE::batch {

namespace {

int g_out = STDOUT_FILENO;

} // namespace

void divertStandardOutput()
{
    std::cout.flush();
    std::fflush(stdout);
    const int saved = ::fcntl(STDOUT_FILENO, F_DUPFD_CLOEXEC, 3);
    const int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (saved < 0 || null < 0)
        return;
    ::dup2(null, STDOUT_FILENO);
    ::close(null);
    g_out = saved;
}

bool writeAll(int fd, const std::string& text)
{
    std::size_t written = 0;
    while (written < text.size()) {
        const ssize_t n = ::write(fd, text.data() + written, text.size() - written);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        written += static_cast<std::size_t>(n);
    }
    return true;
}

void printOut(const std::string& text)
{
    writeAll(g_out, text);
}

void printOut(const QString& text)
{
    printOut(text.toLocal8Bit().toStdString());
}

} // namespace VORNE::batch
