#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryFile>
#include <cstdio>
#include <unistd.h>

namespace lumeno::test {

// Standard output sent to a file for as long as this lives, readable while the test runs, so a
// test can wait for a line that comes from the event loop.
class OutputCapture
{
public:
    OutputCapture()
    {
        m_file.open();
        std::fflush(stdout);
        m_saved = ::dup(STDOUT_FILENO);
        ::dup2(m_file.handle(), STDOUT_FILENO);
    }
    ~OutputCapture()
    {
        std::fflush(stdout);
        ::dup2(m_saved, STDOUT_FILENO);
        ::close(m_saved);
    }
    OutputCapture(const OutputCapture &) = delete;
    OutputCapture &operator=(const OutputCapture &) = delete;

    QString text()
    {
        std::fflush(stdout);
        m_file.seek(0);
        return QString::fromUtf8(m_file.readAll());
    }

private:
    QTemporaryFile m_file;
    int m_saved = -1;
};

} // namespace lumeno::test
