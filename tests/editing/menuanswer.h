#pragma once
// Suites that include the menu helpers from here get the one copy in the shared window support.
#include "tests/support/mainwindow.h"
