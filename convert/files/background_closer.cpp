#include "convert/files/background_closer.h"

#include <new>
#include <system_error>
#include <utility>

namespace sonaro {

BackgroundCloser::~BackgroundCloser() {
    for (std::thread& thread : threads_) {
        thread.join();
    }
}

void BackgroundCloser::Close(File file) {
    // The thread only destroys the file, which closes it. Should the thread or its place not be
    // had, the file is destroyed with the function given to it, here.
    try {
        const std::lock_guard lock(mutex_);
        threads_.emplace_back([owned = std::move(file)] {});
    } catch (const std::system_error&) {
    } catch (const std::bad_alloc&) {
    }
}

}  // namespace sonaro
