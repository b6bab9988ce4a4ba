#include "tests/support/writefaults.h"

#include <QFile>
#include <QHash>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>

namespace writefaults {

const QStringList Calls = {
    QStringLiteral("write"),  QStringLiteral("pwrite64"),  QStringLiteral("writev"),
    QStringLiteral("fsync"),  QStringLiteral("fdatasync"), QStringLiteral("close"),
    QStringLiteral("rename"), QStringLiteral("renameat"),  QStringLiteral("renameat2"),
    QStringLiteral("linkat"), QStringLiteral("openat"),    QStringLiteral("mkdir"),
    QStringLiteral("mkdirat")};

QString unavailable()
{
    if (QStandardPaths::findExecutable(QStringLiteral("strace")).isEmpty())
        return QStringLiteral("strace is not installed");
    // A container without ptrace leaves strace nothing to trace.
    if (QProcess::execute(QStringLiteral("strace"),
                          {QStringLiteral("-qq"), QStringLiteral("-o"), QStringLiteral("/dev/null"),
                           QStringLiteral("true")}) != 0)
        return QStringLiteral("strace cannot trace processes here");
    return {};
}

Run run(const QString& program, const QStringList& args, const Call* fail)
{
    QTemporaryDir dir;
    const QString log = dir.filePath(QStringLiteral("trace"));
    // -y names the file behind each descriptor, so calls on a folder can be picked out.
    QStringList options = {QStringLiteral("-f"),  QStringLiteral("-y"), QStringLiteral("-qq"),
                           QStringLiteral("-s0"), QStringLiteral("-o"), log,
                           QStringLiteral("-e")};
    if (fail)
        options << QStringLiteral("trace=") + fail->name << QStringLiteral("-e")
                << QStringLiteral("inject=%1:error=ENOSPC:when=%2").arg(fail->name).arg(fail->nth);
    else
        options << QStringLiteral("trace=") + Calls.join(QLatin1Char(','));
    QProcess p;
    p.start(QStringLiteral("strace"), options + QStringList{program} + args);
    if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit)
        return {};
    QFile trace(log);
    if (!trace.open(QIODevice::ReadOnly))
        return {};
    return Run{p.exitCode(),
               QString::fromUtf8(p.readAllStandardOutput() + p.readAllStandardError()),
               QString::fromUtf8(trace.readAll())};
}

QList<Call> callsUnder(const Run& run, const QString& folder)
{
    static const QRegularExpression line(QStringLiteral("^(\\d+) +(\\w+)\\("));
    QList<Call> calls;
    QHash<QString, int> counts;
    QString mainPid;
    for (const QString& text : run.trace.split(QLatin1Char('\n'))) {
        const QRegularExpressionMatch m = line.match(text);
        if (!m.hasMatch() || (!mainPid.isEmpty() && m.captured(1) != mainPid))
            continue;
        mainPid = m.captured(1);
        // strace counts the calls of each name per process, as `when=` does.
        const int nth = ++counts[m.captured(2)];
        if (text.contains(folder) && Calls.contains(m.captured(2)))
            calls.append(Call{m.captured(2), nth, text});
    }
    return calls;
}

} // namespace writefaults
