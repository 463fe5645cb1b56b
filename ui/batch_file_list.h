#pragma once

#include <QAbstractTableModel>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

#include "convert/batch/batch_listener.h"
#include "convert/codecs/codec_manager.h"

namespace sonaro {

// The files of the batch window, one row each: the file, its folder, what the reader says of it
// (or that it will be imported), and how its conversion stands.
class BatchFileList final : public QAbstractTableModel {
    Q_OBJECT

  public:
    enum Column { FileColumn, FolderColumn, SoundColumn, StatusColumn, kColumns };
    enum class State { Waiting, Working, Converted, Refused, Failed, Skipped, Cancelled };

    explicit BatchFileList(CodecManager& codecs, QObject* parent = nullptr);

    // Adds the files not in the list yet, each judged by the reader; answers how many were added.
    int Add(const QStringList& paths);
    void Remove(std::vector<int> rows);
    void Clear();
    // Whether files the reader refuses for what an import mends are shown as to be imported.
    void SetImport(bool import);

    QStringList Paths() const;
    State state(int row) const { return rows_[static_cast<std::size_t>(row)].state; }
    // The file's first piece of work will be its import.
    bool WillImport(int row) const {
        return import_ && rows_[static_cast<std::size_t>(row)].importable;
    }
    // How many rows are in that state.
    int Count(State state) const;

    // The run's side: every row waits; a row's work moved; a row ended; the converted rows go.
    void ResetStates();
    void SetProgress(int row, int piece, int position);
    void SetResult(int row, const BatchResult& result);
    void RemoveConverted();

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

  private:
    struct Row {
        QString path;
        QString sound;            // what the reader says of it
        bool importable = false;  // the reader refused it for what an import mends
        State state = State::Waiting;
        QString status;
    };

    Row Judge(const QString& path) const;
    QString SoundText(const Row& row) const;
    void StatusChanged(int row);

    CodecManager& codecs_;
    std::vector<Row> rows_;
    bool import_ = true;
};

}  // namespace sonaro
