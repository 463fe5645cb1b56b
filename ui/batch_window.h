#pragma once

#include <QElapsedTimer>
#include <QWidget>
#include <functional>
#include <memory>
#include <vector>

#include "convert/codecs/codec_manager.h"
#include "convert/operations/import_port.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QSpinBox;
class QTableView;

namespace sonaro {

class BatchFileList;
class BatchRun;
struct BatchResult;

// What the batch window asks of the rest of the program.
struct BatchWindowHooks {
    std::function<int()> volumeLevel;         // the document's volume level
    std::function<void(int)> setVolumeLevel;  // changes it, by the document's rules
    // A run ended while the window was not active: the summary and the output folder.
    std::function<void(const QString& summary, const QString& folder)> notify;
    std::function<void(const QString& folder)> openFolder;  // in the desktop's file manager
    std::function<void(int context)> showHelp;
};

// The window that converts many files into one folder: a list of files (added by buttons or
// dropped, folders giving their sound files), where the results go and what becomes of a name
// that is taken, the volume level, and a run on worker threads with a row of progress for each
// file, an overall bar and a summary at its end. Its choices are kept in the profile.
class CBatchWindow final : public QWidget {
    Q_OBJECT

  public:
    // Without an importer, files the reader refuses stay refused.
    CBatchWindow(CodecManager& codecs, ImportPort* importer, BatchWindowHooks hooks,
                 QWidget* parent = nullptr);
    ~CBatchWindow() override;

    // Files, and the sound files of folders and of every folder below them, join the list.
    void AddPaths(const QStringList& paths);
    // Convert: the run starts, unless a result would replace one of the files.
    void StartRun();
    void CancelRun();
    bool running() const { return run_ != nullptr; }
    // Shows the document's volume level anew; whether it may be changed now.
    void ShowVolumeLevel();
    void SetVolumeEditable(bool editable);

    // The output folder of a new profile: "Sonaro" in the user's music folder.
    static QString DefaultOutputFolder();

    BatchFileList* files() const { return files_; }
    QTableView* table() const { return table_; }
    QLineEdit* outputFolderEdit() const { return folder_; }
    QComboBox* nameTakenBox() const { return nameTaken_; }
    QSpinBox* volumeBox() const { return volume_; }
    QCheckBox* importBox() const { return import_; }
    QProgressBar* overallBar() const { return overall_; }
    QLabel* timeLeftLabel() const { return timeLeft_; }
    QLabel* summaryLabel() const { return summary_; }
    QPushButton* button(const char* objectName) const;

  signals:
    void runEnded();

  protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

  private:
    void CreateControls();
    QWidget* CreateFileButtons();
    QWidget* CreateChoices();
    QWidget* CreateRunControls();
    QPushButton* AddButton(QWidget* parent, const char* objectName, const QString& text,
                           const QString& description);
    void LoadProfile();
    void SaveProfile() const;
    void ChooseFiles();
    void ChooseFolder(bool forOutput);
    void RemoveSelected();
    void UpdateControls();
    void Warn(const QString& text);
    std::vector<std::string> SoundEndings() const;

    void OnProgress(int job, int piece, int position);
    void OnFinished(int job, const BatchResult& result);
    void OnRunEnded();
    void ShowOverall();
    QString Summary() const;

    CodecManager& codecs_;
    ImportPort* importer_;
    BatchWindowHooks hooks_;
    BatchFileList* files_ = nullptr;
    QTableView* table_ = nullptr;
    QCheckBox* import_ = nullptr;
    QLineEdit* folder_ = nullptr;
    QComboBox* nameTaken_ = nullptr;
    QSpinBox* volume_ = nullptr;
    QProgressBar* overall_ = nullptr;
    QLabel* timeLeft_ = nullptr;
    QLabel* summary_ = nullptr;

    std::unique_ptr<BatchRun> run_;
    std::vector<double> done_;  // each job's share done, 0 to 1
    int ended_ = 0;
    QElapsedTimer clock_;
    QString runFolder_;
    QString lastFolder_;  // the file dialogs start there
    bool volumeEditable_ = true;
    bool closeAfterRun_ = false;
};

}  // namespace sonaro
