#pragma once
/* AudioFileLib: reads digitised sound files (WAV, AIFF, AU, FLAC, Ogg Vorbis and whatever
 * else libsndfile knows) as 16-bit signed frames, interleaved by channel. Files of more than
 * two channels are delivered mixed down to stereo; floating-point samples are scaled to the
 * 16-bit range.
 *
 * The caller owns a FileInfo record and passes it to every call. Calls on different
 * records are independent; the text of the last failure is kept per thread. */

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#pragma pack(push, 4)
typedef struct FileInfo {
    double SampleRate;      /* frames per second */
    int16_t Channels;       /* 1 mono, 2 stereo, more for other layouts */
    uint16_t BitsPerSample; /* the file's own sample size (8 for 8-bit PCM) */
    int32_t FrameCount;     /* length in frames (at most INT32_MAX) */
    uint16_t BytesPerFrame; /* one frame as AFL_read delivers it: 2 mono, 4 otherwise */
    uint8_t Private[18];    /* the library's own: the open handle and read position */
} FileInfo;
#pragma pack(pop)

/* Opens `fileName` for reading (`mode` must be 'r'; `flags` must be 0) and fills `info`.
 * Answers 1 on success, 0 on failure (see AFL_ErrorMessage); on failure `info` is
 * left closed. */
int AFL_open(FileInfo* info, const char* fileName, char mode, int flags);

/* Reads up to `frames` frames starting at frame `position` into `buffer` (room for
 * frames x BytesPerFrame bytes). Answers the frames delivered; 0 at the end of the sound,
 * on a closed record and on failure. */
int32_t AFL_read(FileInfo* info, void* buffer, int32_t frames, int32_t position);

/* Closes the file; harmless on a record that is not open. */
void AFL_close(FileInfo* info);

/* The text of the last failure on this thread; never null. */
const char* AFL_ErrorMessage(void);

#ifdef __cplusplus
}
#endif
