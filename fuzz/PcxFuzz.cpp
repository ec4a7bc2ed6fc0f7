// Feeds arbitrary bytes to PicLib's own decoders (PCX, and TGA on the same bytes): they
// must reject or decode them without reading out of bounds, and a decoded PCX picture
// must have the size its header gives.
#include "piclib/PcxDecoder.h"
#include "piclib/TgaDecoder.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QImage tga = piclib::TgaDecode(data, size);
    if (!tga.isNull() &&
        (tga.width() != (data[12] | data[13] << 8) || tga.height() != (data[14] | data[15] << 8)))
        std::abort();
    const QImage image = piclib::PcxDecode(data, size);
    if (image.isNull())
        return 0;
    const int width = (data[8] | data[9] << 8) - (data[4] | data[5] << 8) + 1;
    const int height = (data[10] | data[11] << 8) - (data[6] | data[7] << 8) + 1;
    if (image.width() != width || image.height() != height)
        std::abort();
    // Every index must have a colour: the table covers the whole index range.
    if (image.format() == QImage::Format_Indexed8) {
        const int colours = image.colorCount();
        for (int y = 0; y < image.height(); ++y) {
            const std::uint8_t* line = image.constScanLine(y);
            for (int x = 0; x < image.width(); ++x)
                if (line[x] >= colours)
                    std::abort();
        }
    }
    return 0;
}
