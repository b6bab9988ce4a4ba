#include "shell.h"

#include <QDesktopServices>

namespace platform {

namespace {
QtShell qtShell;
Shell* current = nullptr;
} // namespace

Shell& shell()
{
    return current ? *current : qtShell;
}

void setShell(Shell* s)
{
    current = s;
}

void QtShell::open(const QUrl& url)
{
    QDesktopServices::openUrl(url);
}

} // namespace platform
