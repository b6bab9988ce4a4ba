#pragma once

// QScintilla's headers use the bare `slots` and `signals` keywords, which this project
// switches off; they are lent to those headers only.
#include <QObject>
#define slots Q_SLOTS
#define signals Q_SIGNALS
#include <Qsci/qscilexerhtml.h>
#include <Qsci/qscilexerjavascript.h>
#include <Qsci/qsciscintilla.h>
#undef slots
#undef signals
