#pragma once

#include <QList>
#include <QString>

namespace exporting {

// A page of a site that holds the markers of scripts.
struct SitePage
{
    QString path;            // absolute
    QList<qint64> scriptIds; // every script whose markers it holds, ascending
};

// A page or folder of a site that could not be looked into.
struct SiteProblem
{
    QString path;
    QString reason; // Spanish
    bool folder = false;
};

struct SiteScan
{
    QString folder;                // absolute, as searched
    QList<SitePage> pages;         // folder by folder, by name
    QList<SiteProblem> unreadable; // folder by folder, by name
    int count(bool folders) const;
    int pagesRead = 0; // .htm and .html files looked into
};

// Finds the pages under `folder` and its subfolders (names ending in .htm or .html, in any
// letter case) that hold markers of a script of `wanted`, or of any script when `wanted` is
// empty. Symbolic links are not followed (a link loop cannot trap the search), hidden files
// and folders such as ".git" are skipped, and only regular files are read.
SiteScan findSitePages(const QString& folder, const QList<qint64>& wanted);

} // namespace exporting
