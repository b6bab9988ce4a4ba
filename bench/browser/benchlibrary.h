#pragma once

#include <QString>

class QTemporaryDir;

// A large library for measurements: 1,000 categories up to six levels deep and 30,000
// scripts, each with a few lines of code, comments and an HTML fragment, in Spanish as the
// shipped ones are. Built from a fixed seed, without a search index; returns the file.
QString BuildBenchLibrary(const QTemporaryDir& dir, const QString& fileName = {});

inline constexpr int BenchCategories = 1000;
inline constexpr int BenchScripts = 30000;
