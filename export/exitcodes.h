#pragma once

// The exit status of every form of `korvalis-export`, for the build scripts that test it:
// 0 when the form did all it was asked, 1 when it ran but its answer is "no", 2 when it could
// not run at all (a usage error, a library that cannot be read).
namespace exporting::cli {

enum ExitCode : int {
    // The export: the page was written, or it was refused and left as it was.
    Exported = 0,
    Refused = 1,
    // --list: something matched, or nothing did.
    Listed = 0,
    NothingMatched = 1,
    // --update: no page was refused, or one was.
    NoneRefused = 0,
    SomeRefused = 1,
    // --diff: the export would leave the page as it is, or would change it.
    PageUnchanged = 0,
    PageWouldChange = 1,
    // --import: nothing was refused, or a script was. --export-library: written.
    NothingRefused = 0,
    ScriptRefused = 1,
    LibraryWritten = 0,
    // Any form: a usage error, or a library (or a page, for --diff) that cannot be used.
    UsageOrLibrary = 2,
};

} // namespace exporting::cli
