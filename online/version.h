#pragma once

#include <QString>
#include <QUrl>
#include <optional>

namespace online {

struct ProgramVersion
{
    int major = 0;
    int minor = 0;
    int revision = 0;
};

// The version this program was built as.
ProgramVersion CurrentProgramVersion();

// Reads an offered version of the form "MM.mm.rr": eight characters, two decimal digits, one
// separator of any kind, two digits, one separator, two digits. Anything else gives none.
std::optional<ProgramVersion> ParseOfferedVersion(const QString& text);

enum class UpdateLevel { None, Mayor, Menor, Revision };

// One chain, first match wins: a newer major number, else a newer minor number, else a newer
// revision. A lower level is compared whenever the higher one is not newer, even when the
// program's number is the higher one.
UpdateLevel CompareVersions(const ProgramVersion& program, const ProgramVersion& offered);

// The question put to the user for a level (empty for None).
QString UpdatePrompt(UpdateLevel level);

// The level named by a text ("mayor", "menor", "revision", any case), or None.
UpdateLevel LevelFromName(const QString& name);
// The key of the page value that holds the download address for a level (empty for None).
QString DownloadKey(UpdateLevel level);

// A download address the program is willing to hand to the shell: http or https only, with
// a host. Anything else the page gives is ignored.
std::optional<QUrl> OpenableDownload(const QString& text);

} // namespace online
