#pragma once
// The first line of the delete question: what goes, counted, with what the folders hold.

#include "listing/FileListing.h"

#include <QString>
#include <vector>

// Names a single entry ("the file b.txt"); counts several ("7 files and 1 folder");
// and says what the folders among them hold, files and bytes, measured within a bound
// so that a huge tree keeps the question waiting only briefly. Folders are measured
// below `dir` only when `measure` is set (never inside an archive).
QString DeleteQuestionText(const TFileListing& listing, const std::vector<int>& selection,
                           const QString& dir, bool measure);
