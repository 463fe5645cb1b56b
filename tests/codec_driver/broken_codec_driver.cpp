// A library that loads but is no codec driver: it lacks the entry point.
#define TEST_CODEC_EXPORT extern "C" __attribute__((visibility("default")))

TEST_CODEC_EXPORT int sonaro_codec_driver_entry_missing(void) {
    return 1;
}
