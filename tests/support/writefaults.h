#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// A program run under strace, so that a test can fail the calls that write into a folder one
// at a time with a full disk (ENOSPC) and look at what the program leaves behind.
namespace writefaults {

// The calls a file is replaced through: writes, syncs, renames, closes, opens, new folders.
extern const QStringList Calls;

// One call of the traced program's main process: the nth call of that name.
struct Call
{
    QString name;
    int nth = 0;
    QString line; // as strace wrote it in the untouched run
    QString text() const { return name + QStringLiteral(" #") + QString::number(nth); }
};

struct Run
{
    int exitCode = -1; // -1 when it did not end by itself within a minute
    QString output;    // standard output, then standard error
    QString trace;
    bool injected() const { return trace.contains(QStringLiteral("(INJECTED)")); }
};

// Empty when strace is installed and may trace here; otherwise why not.
QString unavailable();

// Runs the program, tracing every call of `Calls`; with `fail`, tracing only that call and
// failing it.
Run run(const QString& program, const QStringList& args, const Call* fail = nullptr);

// The calls of `Calls` made by the run's main process on a path under `folder`, in order.
QList<Call> callsUnder(const Run& run, const QString& folder);

} // namespace writefaults
