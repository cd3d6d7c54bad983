#include "firmware.h"

#include <QFile>

ImageCheck CheckUpgradeImage(const QString &path)
{
    ImageCheck result;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        result.diagnostic = QStringLiteral("open file %1 failed!").arg(path);
        return result;
    }
    const qint64 size = file.size();
    if (size < kMinImageSize) {
        result.diagnostic = QStringLiteral("The filesize is not correct %1").arg(size);
        return result;
    }
    const QByteArray head = file.read(kImageHeadSize);
    if (head.size() != kImageHeadSize)
        return result;
    for (qint64 offset = 0; offset < kImageHeadSize; offset += kImageBlockSize) {
        if (head.mid(offset, 8) != "-rom1fs-")
            continue;
        if (offset == 0) {
            result.diagnostic = QStringLiteral("Double check, here didn't include the kernel part");
            return result;
        }
        result.valid = true;
        return result;
    }
    return result;
}
