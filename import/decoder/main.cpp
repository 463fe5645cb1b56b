// sonaro-decoder: the sandboxed decoder process that the import starts for each file.
#include "import/decoder/decoder_main.h"

int main(int argc, char** argv) {
    return sonaro::DecoderMain(argc, argv, {});
}
