// The Convert command: the engine's conversion of the open sound, and the document of the result.
#include "document/sonaro_doc.h"

namespace sonaro {

// A later conversion (after a change of the volume level) removes the previous result first and
// shows the source again until a new result is made. A failure is shown while the progress window
// is still up, as the stage that met it would have told it.
void CSonaroDoc::OnConvert() {
    if (!source_) {
        return;
    }
    StopPlayback();
    if (converted_) {
        RemoveFileIfPresent(convertedPath_);
        showsResult_ = false;
    }
    const auto progress = user_.CreateProgress("Converting...", fileName_);
    const Outcome<SoundDescription> result =
        ConvertSound(*source_, {volumeLevel_, temp_, codecs_}, *progress);
    if (result) {
        PublishResult(*result);
    } else {
        user_.ShowFailure(result.failure());
    }
}

// The document now describes the A-law result. The play rule is settled before the views are
// told, so that the commands they enable follow the result.
void CSonaroDoc::PublishResult(const SoundDescription& result) {
    converted_ = true;
    convertedPath_ = result.path;
    result_ = result;
    showsResult_ = true;
    resultUnsaved_ = true;
    convertEnabled_ = false;
    SetModifiedFlag(true);
    user_.UpdateAllViews();
    if (autoPlayAfterConvert_) {
        PlayFile(result);
    }
}

}  // namespace sonaro
