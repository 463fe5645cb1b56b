#include "app/recent_files.h"

#include <QSettings>

namespace sonaro {
namespace {

const QString kSection = QStringLiteral("Recent File List");

QString Key(int index) {
    return kSection + QStringLiteral("/File%1").arg(index + 1);
}

}  // namespace

QStringList RecentFileList::Entries() const {
    const QSettings settings;
    QStringList entries;
    for (int i = 0; i < kSize; ++i) {
        const QString path = settings.value(Key(i)).toString();
        if (!path.isEmpty()) {
            entries.append(path);
        }
    }
    return entries;
}

void RecentFileList::Add(const QString& path) {
    QStringList entries = Entries();
    entries.removeAll(path);
    entries.prepend(path);
    QSettings settings;
    for (int i = 0; i < kSize; ++i) {
        if (i < entries.size()) {
            settings.setValue(Key(i), entries[i]);
        } else {
            settings.remove(Key(i));
        }
    }
}

}  // namespace sonaro
