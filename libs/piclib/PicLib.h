#pragma once
// PicLib: turns a picture file into a decoded image.
//
// The format is found from the file's content, never from its name: PCX is decoded by our
// own code (piclib/PcxDecoder.h), everything else by QImageReader and Qt's image-format
// plugins (BMP, GIF, JPEG, PNG, TIFF, WebP, ICO, SVG, ...). TGA files that Qt's reader
// refuses go to our own TGA decoder (piclib/TgaDecoder.h). Multi-frame files give
// their first frame; a JPEG's orientation tag is applied.
//
// Memory: a decoded picture may take at most the memory limit (Qt's image allocation limit,
// 128 MB unless raised with PicLibSetMemoryLimit). A larger picture is decoded scaled
// down to fit when its header tells its size; PicLibLastScaled then gives its own size.
// When even that cannot be done, the load fails with a reason that says so.
//
// Threads: every entry may be called from any thread; the last error is kept per thread.
// PicLibSetMemoryLimit changes the limit of the whole process.
// Cost: one read of the file and one decode; nothing is cached.

class QImage;

extern "C" {

// Result codes of PicLibLastError().
enum TPicLibError {
    PicLibOk = 0,           // the last call decoded a picture
    PicLibNoFile = 1,       // empty or null file name: no picture, and not a failure
    PicLibCannotOpen = 2,   // the file could not be read
    PicLibCannotDecode = 3, // unknown format or damaged picture
};

// Decodes the file named by `fileName` (zero-terminated, UTF-8, as QFile::encodeName
// gives it). `options` is reserved and must be 0.
// Returns a new image that the caller owns (free it with PicLibFree or delete), or null
// when there is no picture; PicLibLastError() then tells why.
QImage* PicLibLoad(const char* fileName, int options);

// Decodes like PicLibLoad, but a picture larger than `maxWidth` x `maxHeight` (as it shows,
// turned upright) comes scaled down to fit in it, its proportions kept. Where the format
// allows, the decode itself works at a smaller size (a JPEG's DCT scaling), which takes
// less memory, and less time than decoding it whole and scaling it after. PicLibLastScaled then
// gives its own size, PicLibLastFullSize the size PicLibLoad would give it.
QImage* PicLibLoadFitted(const char* fileName, int maxWidth, int maxHeight);

// Frees an image returned by PicLibLoad or PicLibLoadFitted; null is allowed.
void PicLibFree(QImage* image);

// Why the last PicLibLoad of this thread returned null (PicLibOk after a success).
int PicLibLastError();

// A readable reason for the last failure of this thread (empty after a success). The
// text stays valid until the next PicLibLoad on the same thread.
const char* PicLibErrorText();

// Sets the most memory, in megabytes, that one decoded picture may take (for every image
// reader of the process). 0 removes the limit.
void PicLibSetMemoryLimit(int megabytes);

// After a PicLibLoad of this thread that returned a picture scaled down to fit the memory
// limit, or a PicLibLoadFitted that returned one scaled down: true, and the picture's own
// size in *width and *height. False otherwise.
bool PicLibLastScaled(int* width, int* height);

// After a load of this thread that returned a picture: true, and the size PicLibLoad gives
// it (its own size, or less when it takes more than the memory limit). False otherwise.
bool PicLibLastFullSize(int* width, int* height);

} // extern "C"
