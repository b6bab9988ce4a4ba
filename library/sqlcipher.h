#pragma once
// The one SQLite of the program is SQLCipher's; its key functions need the codec declared.
#ifndef SQLITE_HAS_CODEC
#define SQLITE_HAS_CODEC 1
#endif
#include <sqlcipher/sqlite3.h>
