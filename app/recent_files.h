#pragma once

#include <QStringList>

namespace sonaro {

// The recent-file list of the user's profile: the four files last opened from the command line,
// newest first, kept in section "Recent File List" as "File1" to "File4".
class RecentFileList {
  public:
    static constexpr int kSize = 4;

    QStringList Entries() const;
    // Puts the path at the front; an entry for the same path moves there.
    void Add(const QString& path);
};

}  // namespace sonaro
