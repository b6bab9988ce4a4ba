#pragma once

#include <QProgressDialog>

// The progress of a site update: the pages done out of the pages found, and a button that
// stops the update after the page in hand.
class SiteUpdateProgress : public QProgressDialog
{
    Q_OBJECT

public:
    SiteUpdateProgress(QWidget* parent, int pages);

    // Shows that `done` pages are done and lets the user act; false once the user cancelled.
    bool advance(int done);
};
