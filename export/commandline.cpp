#include "commandline.h"

#include "base/systemerror.h"
#include "buildinfo.h"
#include "exitcodes.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QHash>
#include <cerrno>

namespace exporting::cli {

namespace {

const QString Program = QStringLiteral("korvalis-export");
const QString LibraryOption = QStringLiteral("library");
const QString HelpOption = QStringLiteral("help");
const QString VersionOption = QStringLiteral("version");
const QString Indent = QStringLiteral("     ");

QString usageLine(const Form& form)
{
    QStringList words = {Program, QStringLiteral("[--library CARPETA]")};
    if (!form.option.isEmpty())
        words << (QStringLiteral("--") + form.option + QLatin1Char(' ') + form.valueName).trimmed();
    for (const QString& name : form.switches)
        words << QStringLiteral("[--%1]").arg(name);
    if (!form.arguments.isEmpty())
        words << form.arguments;
    return words.join(QLatin1Char(' '));
}

QString usageText(const QList<Form>& forms)
{
    QStringList lines;
    for (const Form& form : forms)
        lines << usageLine(form);
    lines << Program + QStringLiteral(" --help | --version");
    return QStringLiteral("Uso: ") + lines.join(QLatin1Char('\n') + Indent);
}

QString helpText(const QList<Form>& forms)
{
    QStringList lines = {usageText(forms), QString()};
    for (const Form& form : forms) {
        lines << usageLine(form);
        for (const QString& line : form.help)
            lines << Indent + line;
        lines << QString();
    }
    lines << QStringLiteral("--library CARPETA")
          << Indent + QStringLiteral("La carpeta de la biblioteca (scripts.mdb); sin ella, la del "
                                     "programa.")
          << QStringLiteral("--help, --version")
          << Indent + QStringLiteral("Muestran esta ayuda, o la versión del programa.");
    return lines.join(QLatin1Char('\n'));
}

QString missingValue(const QString& option, const QList<Form>& forms)
{
    if (option == LibraryOption)
        return QStringLiteral("Falta la carpeta de la biblioteca tras --library.");
    for (const Form& form : forms) {
        if (form.option == option)
            return QStringLiteral("Falta %1 tras --%2.").arg(form.valueText, option);
    }
    return QStringLiteral("Falta un valor tras --%1.").arg(option);
}

// The parser's own texts are in English: each of its faults in Spanish, naming the word as it
// was typed.
QString parseProblem(const QCommandLineParser& parser, const QStringList& arguments,
                     const QStringList& valueOptions, const QList<Form>& forms)
{
    const qsizetype end = arguments.indexOf(QStringLiteral("--"), 1);
    const QStringList words = arguments.mid(1, end < 0 ? -1 : end - 1);
    const auto nameOf = [](const QString& word) {
        QString name = word.mid(word.startsWith(QLatin1String("--")) ? 2 : 1);
        return name.left(name.indexOf(QLatin1Char('=')) < 0 ? name.size()
                                                            : name.indexOf(QLatin1Char('=')));
    };
    const QStringList unknown = parser.unknownOptionNames();
    for (const QString& word : words) {
        if (word.startsWith(QLatin1Char('-')) && unknown.contains(nameOf(word)))
            return QStringLiteral("Opción desconocida: %1").arg(word);
    }
    if (!words.isEmpty() && words.constLast().startsWith(QLatin1Char('-')) &&
        valueOptions.contains(nameOf(words.constLast())))
        return missingValue(nameOf(words.constLast()), forms);
    for (const QString& word : words) {
        if (word.startsWith(QLatin1Char('-')) && word.contains(QLatin1Char('=')))
            return QStringLiteral("La opción --%1 no lleva valor.").arg(nameOf(word));
    }
    return QStringLiteral("No se entienden las opciones: %1").arg(parser.errorText());
}

// Why standard output could not be written, from the first write that failed: by the end of
// the run errno says something else.
int& outputErrno()
{
    static int first = 0;
    return first;
}

// The exit status of a form whose output may not have reached its reader: a full disk or a
// closed pipe must not look like success to the script that reads it.
int afterOutput(int status)
{
    errno = 0;
    if (std::fflush(stdout) == 0 && !std::ferror(stdout))
        return status;
    const int errnum = outputErrno() != 0 ? outputErrno() : errno;
    const QString reason = errnum != 0 ? syserror::FromErrno(errnum) : QString();
    return fail(QStringLiteral("No se puede escribir la salida del programa: %1").arg(reason));
}

} // namespace

void writeBytes(FILE* stream, const QByteArray& bytes)
{
    errno = 0;
    const bool written =
        std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream) == size_t(bytes.size()) &&
        std::fflush(stream) == 0;
    if (!written && stream == stdout && outputErrno() == 0)
        outputErrno() = errno;
}

void printLine(FILE* stream, const QString& line)
{
    writeBytes(stream, (line + QLatin1Char('\n')).toUtf8());
}

int fail(const QString& problem)
{
    printLine(stderr, problem);
    return UsageOrLibrary;
}

int Invocation::usageError(const QString& problem) const
{
    printLine(stderr, problem);
    printLine(stderr, usage);
    return UsageOrLibrary;
}

base::Result parseScriptId(const QString& word, qint64* id)
{
    bool isNumber = false;
    *id = word.toLongLong(&isNumber);
    if (!isNumber || *id <= 0)
        return base::Result::failure(QStringLiteral("«%1» no es un id de script.").arg(word));
    return base::Result::success();
}

int run(const QStringList& arguments, const QString& programFolder, const QList<Form>& forms)
{
    QCommandLineParser parser;
    // One dash or two, every option is a word: "-5" is never read as the switches "-5".
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.addOption(QCommandLineOption(LibraryOption, QString(), QStringLiteral("CARPETA")));
    parser.addOption(QCommandLineOption(QStringList{QStringLiteral("h"), HelpOption}));
    parser.addOption(QCommandLineOption(VersionOption));
    QStringList valueOptions = {LibraryOption};
    QHash<QString, QStringList> formsOfSwitch; // each form's own switch: the forms that take it
    const Form* defaultForm = nullptr;
    for (const Form& form : forms) {
        if (form.option.isEmpty())
            defaultForm = &form;
        else
            parser.addOption(QCommandLineOption(form.option, QString(), form.valueName));
        if (!form.valueName.isEmpty())
            valueOptions << form.option;
        for (const QString& name : form.switches) {
            if (!formsOfSwitch.contains(name))
                parser.addOption(QCommandLineOption(name));
            formsOfSwitch[name] << QStringLiteral("--") + form.option;
        }
    }
    Invocation call;
    call.usage = usageText(forms);
    const bool parsed = parser.parse(arguments);
    if (parser.isSet(HelpOption)) {
        printLine(stdout, helpText(forms));
        return afterOutput(0);
    }
    if (parser.isSet(VersionOption)) {
        printLine(stdout, Program + QStringLiteral(" " KORVALIS_VERSION_TEXT));
        return afterOutput(0);
    }
    if (!parsed)
        return call.usageError(parseProblem(parser, arguments, valueOptions, forms));

    const Form* form = defaultForm;
    for (const Form& f : forms) {
        if (f.option.isEmpty() || !parser.isSet(f.option))
            continue;
        if (form != defaultForm)
            return call.usageError(QStringLiteral("No se pueden usar a la vez --%1 y --%2.")
                                       .arg(form->option, f.option));
        form = &f;
    }
    if (!form)
        return call.usageError(QStringLiteral("Falta la forma del comando."));
    call.libraryFolder = parser.isSet(LibraryOption) ? parser.value(LibraryOption) : programFolder;
    // A value that is an option is one that was left out ("--update --library CARPETA").
    const auto missing = [](const QString& value) {
        return value.isEmpty() || value.startsWith(QLatin1String("--"));
    };
    if (missing(call.libraryFolder))
        return call.usageError(missingValue(LibraryOption, forms));
    if (!form->valueName.isEmpty()) {
        call.value = parser.value(form->option);
        if (missing(call.value))
            return call.usageError(missingValue(form->option, forms));
    }
    for (auto it = formsOfSwitch.cbegin(); it != formsOfSwitch.cend(); ++it) {
        if (!parser.isSet(it.key()))
            continue;
        if (!form->switches.contains(it.key()))
            return call.usageError(QStringLiteral("--%1 sólo vale con %2.")
                                       .arg(it.key(), it.value().join(QStringLiteral(" o "))));
        call.switchesSet << it.key();
    }
    call.arguments = parser.positionalArguments();
    return afterOutput(form->run(call));
}

} // namespace exporting::cli
