#pragma once

#include <QList>
#include <QUrl>

// Opening an address or a file with the user's default program leaves the program: it goes
// through this seam so that tests record it instead.
namespace platform {

class Shell
{
public:
    virtual ~Shell() = default;
    // Failures are not reported: the shell's answer is not looked at.
    virtual void open(const QUrl& url) = 0;
};

Shell& shell();
void setShell(Shell* shell);

class QtShell final : public Shell
{
public:
    void open(const QUrl& url) override;
};

class RecordingShell final : public Shell
{
public:
    RecordingShell() { setShell(this); }
    ~RecordingShell() override { setShell(nullptr); }
    void open(const QUrl& url) override { opened.append(url); }

    QList<QUrl> opened;
};

} // namespace platform
