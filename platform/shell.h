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
    // False when no program could be started for the address or file.
    virtual bool open(const QUrl& url) = 0;
};

Shell& shell();
void setShell(Shell* shell);

class QtShell final : public Shell
{
public:
    bool open(const QUrl& url) override;
};

class RecordingShell final : public Shell
{
public:
    RecordingShell() { setShell(this); }
    ~RecordingShell() override { setShell(nullptr); }
    bool open(const QUrl& url) override
    {
        opened.append(url);
        return opens;
    }

    QList<QUrl> opened;
    // What the shell answers: false as on a system with no program for the file.
    bool opens = true;
};

} // namespace platform
