#pragma once

#include "base/result.h"

#include <QString>
#include <QStringList>
#include <cstdio>
#include <functional>

// The one front of `korvalis-export`: every form is declared once, parsed by one parser and
// shown in one usage text; each form gets its arguments as a value.
namespace exporting::cli {

// One line in UTF-8 whatever the locale, for the build scripts that read it; flushed at once,
// so a long run shows its progress.
void printLine(FILE* stream, const QString& line);
// Bytes as they are, flushed at once. A write to standard output that fails is remembered, so
// that the run ends saying why.
void writeBytes(FILE* stream, const QByteArray& bytes);

// A form's command line, parsed.
struct Invocation
{
    QString libraryFolder;   // --library, or the program's own folder
    QString value;           // the value of the option that selected the form
    QStringList arguments;   // the words that are not options
    QStringList switchesSet; // the form's own switches given, without "--"
    QString usage;           // every form's usage line

    bool isSet(const QString& name) const { return switchesSet.contains(name); }
    // Writes the problem, then the usage, to standard error; returns UsageOrLibrary.
    int usageError(const QString& problem) const;
};

// One form of the command, selected by its option; the form without one is the export.
struct Form
{
    QString option;       // without "--"; empty for the export
    QString valueName;    // what the option takes, in the usage line; empty for a plain switch
    QString valueText;    // the same in a sentence ("la carpeta"), for a missing value
    QStringList switches; // switches only this form takes, without "--"
    QString arguments;    // the rest of its usage line
    QStringList help;     // what it does and what its exit status says, for --help
    std::function<int(const Invocation&)> run;
};

// Parses `arguments` (the program's name first), runs the form they ask for and returns its
// exit status; UsageOrLibrary when its output could not be written. `programFolder` is the
// library's folder when --library is not given.
int run(const QStringList& arguments, const QString& programFolder, const QList<Form>& forms);

// Writes a problem to standard error; returns UsageOrLibrary.
int fail(const QString& problem);

// A script id as written on the command line: a positive decimal number.
base::Result parseScriptId(const QString& word, qint64* id);

} // namespace exporting::cli
