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

bool QtShell::open(const QUrl& url)
{
    return QDesktopServices::openUrl(url);
}

} // namespace platform
