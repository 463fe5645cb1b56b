/* The interface between the codec manager and a codec driver: a shared library that the manager
 * loads with dlopen from the directories in SONARO_CODEC_PATH (colon-separated) and from the
 * installed codec directory (<libdir>/sonaro/codecs). Plain C, so that a driver can be written in
 * any language that can export a C function.
 *
 * A driver exports one function, SONARO_CODEC_DRIVER_ENTRY, that answers a pointer to a table that
 * lives as long as the library. The manager skips the library when the function is missing, when
 * it answers NULL, when the table's api_version is not SONARO_CODEC_DRIVER_API_VERSION or when an
 * operation is missing.
 *
 * Every operation answers 0 on success and a nonzero code on failure. Formats are given in their
 * decoded form (struct sonaro_codec_format). Threads: the manager never calls one stream's
 * operations at the same time; calls for different streams, and format_suggest and the query form
 * of stream_open, may come from several threads at once.
 */
#pragma once

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define SONARO_CODEC_DRIVER_API_VERSION 1u
#define SONARO_CODEC_DRIVER_ENTRY "sonaro_codec_driver_entry"

/* convert flags */
#define SONARO_CODEC_CONVERT_BLOCK_ALIGN 0x1u /* convert whole source blocks only */

/* A WAVE format header and its codec bytes, as a WAVE file's format chunk holds them. */
struct sonaro_codec_format {
    uint16_t format_tag;
    uint16_t channels;
    uint32_t samples_per_sec;
    uint32_t avg_bytes_per_sec;
    uint16_t block_align;
    uint16_t bits_per_sample;
    uint16_t extra_size; /* how many of the extra bytes are valid */
    uint8_t extra[16];
};

/* The buffers of one conversion. The caller owns them; the driver sets the two "used" fields. */
struct sonaro_codec_buffers {
    const uint8_t* source;
    uint32_t source_length;
    uint32_t source_length_used;
    uint8_t* destination;
    uint32_t destination_length;
    uint32_t destination_length_used;
};

typedef void* sonaro_codec_stream;

struct sonaro_codec_driver {
    uint32_t api_version; /* SONARO_CODEC_DRIVER_API_VERSION */

    /* Fills in *destination (only its format_tag is set by the caller) with a format this driver
     * can produce from *source. */
    int (*format_suggest)(const struct sonaro_codec_format* source,
                          struct sonaro_codec_format* destination);
    /* Opens a stream from *source to *destination; with stream NULL only answers whether it
     * could. */
    int (*stream_open)(sonaro_codec_stream* stream, const struct sonaro_codec_format* source,
                       const struct sonaro_codec_format* destination);
    /* The largest number of destination bytes that source_bytes source bytes can give. */
    int (*stream_size)(sonaro_codec_stream stream, uint32_t source_bytes,
                       uint32_t* destination_bytes);
    /* Told before the buffers are first converted and after their last conversion. */
    int (*prepare)(sonaro_codec_stream stream, const struct sonaro_codec_buffers* buffers);
    int (*unprepare)(sonaro_codec_stream stream, const struct sonaro_codec_buffers* buffers);
    /* Converts source into destination and sets the two "used" fields. */
    int (*convert)(sonaro_codec_stream stream, struct sonaro_codec_buffers* buffers,
                   uint32_t flags);
    /* Ends the stream and releases everything it holds, prepared buffers included. */
    int (*stream_close)(sonaro_codec_stream stream);
};

typedef const struct sonaro_codec_driver* (*sonaro_codec_driver_entry_fn)(void);

#ifdef __cplusplus
}
#endif
