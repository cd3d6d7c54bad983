#pragma once

#include <QString>

// A firmware image a box can take: at least 4 MiB, with a ROMFS file system
// ("-rom1fs-") starting on a 4 KiB boundary inside the first MiB, after a
// kernel part (never at offset 0). Only the first MiB is read.
struct ImageCheck
{
    bool valid = false;
    QString diagnostic; // why not, when a reason can be named
};

constexpr qint64 kMinImageSize = 4194304;
constexpr qint64 kImageHeadSize = 1048576;
constexpr qint64 kImageBlockSize = 4096;

ImageCheck CheckUpgradeImage(const QString &path);
