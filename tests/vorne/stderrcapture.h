#pragma once
// Collects what the code under test writes to standard error, at the file descriptor level, so that
// std::cerr, stdio and Qt's own output are all seen.
#include <QByteArray>
#include <QTemporaryFile>

#include <cstdio>
#include <iostream>
#include <unistd.h>

class StderrCapture
{
public:
    StderrCapture()
    {
        m_file.open();
        std::cerr.flush();
        std::fflush(stderr);
        m_saved = ::dup(2);
        ::dup2(m_file.handle(), 2);
    }
    ~StderrCapture() { restore(); }

    // Everything written since construction; standard error is back in place afterwards.
    QByteArray text()
    {
        restore();
        m_file.seek(0);
        return m_file.readAll();
    }

private:
    void restore()
    {
        if (m_saved < 0)
            return;
        std::cerr.flush();
        std::fflush(stderr);
        ::dup2(m_saved, 2);
        ::close(m_saved);
        m_saved = -1;
    }

    QTemporaryFile m_file;
    int m_saved = -1;
};
