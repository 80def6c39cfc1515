#pragma once
// Collects what the code under test writes to standard output or standard error, at the file descriptor
// level, so that iostreams, stdio and Qt's own output are all seen. Works across threads.
#include <QByteArray>
#include <QTemporaryFile>

#include <cstdio>
#include <iostream>
#include <unistd.h>

class StreamCapture
{
public:
    explicit StreamCapture(int fd) : m_fd(fd)
    {
        m_file.open();
        flush();
        m_saved = ::dup(m_fd);
        ::dup2(m_file.handle(), m_fd);
    }
    ~StreamCapture() { restore(); }

    // Everything written since construction; the stream is back in place afterwards.
    QByteArray text()
    {
        restore();
        m_file.seek(0);
        return m_file.readAll();
    }

private:
    static void flush()
    {
        std::cout.flush();
        std::cerr.flush();
        std::fflush(stdout);
        std::fflush(stderr);
    }
    void restore()
    {
        if (m_saved < 0)
            return;
        flush();
        ::dup2(m_saved, m_fd);
        ::close(m_saved);
        m_saved = -1;
    }

    int m_fd;
    QTemporaryFile m_file;
    int m_saved = -1;
};
