#include "ui/batch_file_list.h"

#include <QFileInfo>
#include <algorithm>
#include <set>

#include "convert/operations/format_record.h"
#include "convert/operations/info_text.h"
#include "convert/operations/operations.h"

namespace sonaro {
namespace {

// A text of several lines (some of the reader's) as one.
QString OneLine(const std::string& text) {
    return QString::fromStdString(text).replace(QLatin1Char('\n'), QLatin1Char(' '));
}

// Format, rate, channels and length, as the information view words them.
QString Described(const SoundDescription& sound) {
    const auto values = InfoValues(RecordOf(sound));
    return QStringLiteral("%1, %2, %3, %4")
        .arg(QString::fromStdString(values[0]), QString::fromStdString(values[3]),
             QString::fromStdString(values[4]), QString::fromStdString(values[2]));
}

// The result's size as the information view words it.
QString SizeOf(const SoundDescription& result) {
    return QString::fromStdString(InfoValues(RecordOf(result))[1]);
}

}  // namespace

BatchFileList::BatchFileList(CodecManager& codecs, QObject* parent)
    : QAbstractTableModel(parent), codecs_(codecs) {}

BatchFileList::Row BatchFileList::Judge(const QString& path) const {
    Row row;
    row.path = path;
    const Outcome<SoundDescription> opened = OpenSound(path.toStdString(), codecs_);
    if (opened) {
        row.sound = Described(*opened);
    } else {
        row.sound = OneLine(opened.failure().Text());
        row.importable = ImportMends(opened.failure());
    }
    row.status = QStringLiteral("Waiting");
    return row;
}

int BatchFileList::Add(const QStringList& paths) {
    std::set<QString> known;
    for (const Row& row : rows_) {
        known.insert(row.path);
    }
    std::vector<Row> added;
    for (const QString& given : paths) {
        const QString path = QFileInfo(given).absoluteFilePath();
        if (known.insert(path).second) {
            added.push_back(Judge(path));
        }
    }
    if (!added.empty()) {
        const int first = rowCount();
        beginInsertRows({}, first, first + static_cast<int>(added.size()) - 1);
        rows_.insert(rows_.end(), added.begin(), added.end());
        endInsertRows();
    }
    return static_cast<int>(added.size());
}

// The rows go from the last up, so that each index still means what it meant.
void BatchFileList::Remove(std::vector<int> rows) {
    std::sort(rows.rbegin(), rows.rend());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    for (const int row : rows) {
        if (row >= 0 && row < rowCount()) {
            beginRemoveRows({}, row, row);
            rows_.erase(rows_.begin() + row);
            endRemoveRows();
        }
    }
}

void BatchFileList::Clear() {
    beginResetModel();
    rows_.clear();
    endResetModel();
}

void BatchFileList::SetImport(bool import) {
    import_ = import;
    if (!rows_.empty()) {
        emit dataChanged(index(0, SoundColumn), index(rowCount() - 1, SoundColumn));
    }
}

QStringList BatchFileList::Paths() const {
    QStringList paths;
    for (const Row& row : rows_) {
        paths.append(row.path);
    }
    return paths;
}

int BatchFileList::Count(State state) const {
    return static_cast<int>(std::count_if(rows_.begin(), rows_.end(),
                                          [&](const Row& row) { return row.state == state; }));
}

void BatchFileList::ResetStates() {
    for (Row& row : rows_) {
        row.state = State::Waiting;
        row.status = QStringLiteral("Waiting");
    }
    if (!rows_.empty()) {
        emit dataChanged(index(0, StatusColumn), index(rowCount() - 1, StatusColumn));
    }
}

// An imported file's first piece of work is its import.
void BatchFileList::SetProgress(int row, int piece, int position) {
    Row& shown = rows_[static_cast<std::size_t>(row)];
    shown.state = State::Working;
    shown.status = WillImport(row) && piece == 1 ? QStringLiteral("Importing, %1%").arg(position)
                                                 : QStringLiteral("%1%").arg(position);
    StatusChanged(row);
}

void BatchFileList::SetResult(int row, const BatchResult& result) {
    Row& shown = rows_[static_cast<std::size_t>(row)];
    using Status = BatchResult::Status;
    const QString why = result.failure ? OneLine(result.failure->Text()) : QString();
    switch (result.status) {
        case Status::Converted:
            shown.state = State::Converted;
            shown.status = QStringLiteral("Done, %1").arg(SizeOf(*result.result));
            break;
        case Status::Refused:
            shown.state = State::Refused;
            shown.status = QStringLiteral("Refused: %1").arg(why);
            break;
        case Status::Failed:
            shown.state = State::Failed;
            shown.status = QStringLiteral("Failed: %1").arg(why);
            break;
        case Status::Skipped:
            shown.state = State::Skipped;
            shown.status = QStringLiteral("Skipped: the name is taken");
            break;
        case Status::Cancelled:
            shown.state = State::Cancelled;
            shown.status = QStringLiteral("Cancelled");
            break;
    }
    StatusChanged(row);
}

// At once, so that a view lays itself out once.
void BatchFileList::RemoveConverted() {
    beginResetModel();
    rows_.erase(std::remove_if(rows_.begin(), rows_.end(),
                               [](const Row& row) { return row.state == State::Converted; }),
                rows_.end());
    endResetModel();
}

void BatchFileList::StatusChanged(int row) {
    emit dataChanged(index(row, StatusColumn), index(row, StatusColumn));
}

int BatchFileList::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int BatchFileList::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kColumns;
}

QString BatchFileList::SoundText(const Row& row) const {
    return import_ && row.importable ? QStringLiteral("Will be imported") : row.sound;
}

QVariant BatchFileList::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::ToolTipRole)) {
        return {};
    }
    const Row& row = rows_[static_cast<std::size_t>(index.row())];
    switch (index.column()) {
        case FileColumn:
            return QFileInfo(row.path).fileName();
        case FolderColumn:
            return QFileInfo(row.path).path();
        case SoundColumn:
            return SoundText(row);
        default:
            return row.status;
    }
}

QVariant BatchFileList::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) {
        return QAbstractTableModel::headerData(section, orientation, role);
    }
    static const char* const kTitles[] = {"File", "Folder", "Sound", "Status"};
    return QString::fromLatin1(kTitles[section]);
}

}  // namespace sonaro
