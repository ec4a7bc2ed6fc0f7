#pragma once
// The libarchive and libzip writers behind MakePackWriter (PackWriter.h).

#include "pack/PackWriter.h"
#include "platform/FileNames.h"
#include "transfer/FileOpsSupport.h"

std::unique_ptr<TPackWriter> MakeArchiveWriter(TPackFormat format, int level);
std::unique_ptr<TPackWriter> MakeZipWriter(int level, const QByteArray& password);
