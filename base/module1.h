#pragma once

#include <QString>

// Program-wide values that windows read, set once when the program starts (and again, to the
// same values, when the main window loads). Paths are not here: they travel as a
// base::ProgramPaths value, and code without windows reads none of these.
namespace Module1 {

extern QString UpdateCheckUrl;
extern QString SiteUrl;
extern QString CompanyUrl;
extern QString SponsorShopUrl;
extern QString SubmissionAddress;
extern qint16 BannerTickCount;
extern qint16 BannerTickLimit;

// Sets every value above from the site address the build was configured with.
// BannerTickCount is left as it is.
void SetProgramValues();

// Makes Spanish (Spain) the program's locale: dates, sizes and numbers that the program
// and Qt's dialogs write read as in Spain, whatever the desktop's language.
void SetSpanishLocale();

// Installs Qt's own Spanish texts ("Sí", "No", "Aceptar", "Cancelar" on standard buttons).
// False when the translation is not installed on the machine.
bool InstallQtSpanishTranslation();

// Whether a related file's name stays inside its folder and on one line: not empty, not "."
// or "..", no folder separator, no control character (NUL, CR, LF, tab...) and no line or
// paragraph separator. Every name read from the library or chosen by the user passes here
// before it reaches the file system or a mail.
bool IsBareFileName(const QString& name);

// Gives the owner write permission back to a file that has lost it. Returns false when the
// file does not exist or its permission cannot be changed.
bool ClearReadOnlyAttribute(const QString& path);
bool IsReadOnly(const QString& path);

} // namespace Module1
