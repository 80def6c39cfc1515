#pragma once
// Collects what the code under test writes to a standard stream at the file descriptor level, so that
// iostreams, stdio and Qt's own output are all seen, from any thread.
#include <QByteArray>
#include <QTemporaryFile>

#include <cstdio>
#include <iostream>
#include <unistd.h>

class StreamCapture
{
public:
    explicit StreamCapture(int fd = 2) : m_fd(fd)
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
        std::fflush(nullptr);
    }
    void restore()
    {
        if (m_saved >= 0) {
            flush();
            ::dup2(m_saved, m_fd);
            ::close(m_saved);
            m_saved = -1;
        }
    }

    int m_fd;
    QTemporaryFile m_file;
    int m_saved = -1;
};
using StderrCapture = StreamCapture;
