#include "ui/batch_window.h"

#include <QAccessibleWidget>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QSettings>
#include <QShortcut>
#include <QSpinBox>
#include <QStandardPaths>
#include <QTableView>
#include <QUrl>
#include <QVBoxLayout>
#include <cmath>

#include "convert/batch/result_names.h"
#include "convert/batch/sound_files.h"
#include "resources/frame_resources.h"
#include "resources/string_table.h"
#include "ui/batch_file_list.h"
#include "ui/batch_run.h"
#include "ui/batch_time_left.h"
#include "ui/profile.h"

namespace sonaro {
namespace {

// The window's keys in the profile.
const QString kFolderKey = QStringLiteral("Batch/OutputFolder");
const QString kNameTakenKey = QStringLiteral("Batch/NameTaken");
const QString kImportKey = QStringLiteral("Batch/Import");

// The choices for a taken name, in the order the box lists them, with their profile values.
struct NameTakenChoice {
    NameTaken policy;
    const char* text;
    const char* key;
};
constexpr NameTakenChoice kNameTakenChoices[] = {
    {NameTaken::Replace, "Replace the file", "replace"},
    {NameTaken::Skip, "Skip the file to convert", "skip"},
    {NameTaken::Number, "Keep both, numbering the new one", "number"},
};

QSettings Profile() {
    return QSettings(kProfileOrganisation, kProfileApplication);
}

// The local files and folders among dropped items.
QStringList LocalPaths(const QMimeData* data) {
    QStringList paths;
    if (data != nullptr && data->hasUrls()) {
        for (const QUrl& url : data->urls()) {
            if (url.isLocalFile()) {
                paths.append(url.toLocalFile());
            }
        }
    }
    return paths;
}

void Describe(QWidget* widget, const char* objectName, const QString& name,
              const QString& description = {}) {
    widget->setObjectName(QString::fromLatin1(objectName));
    widget->setAccessibleName(name);
    widget->setAccessibleDescription(description);
}

// The window is a top-level window of its own: assistive technology meets it as a window (a
// frame), as it meets the main window, not as a panel.
QAccessibleInterface* AccessibleAsWindow(const QString& className, QObject* object) {
    if (className == QLatin1String(CBatchWindow::staticMetaObject.className()) &&
        object->isWidgetType()) {
        return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::Window);
    }
    return nullptr;
}

}  // namespace

CBatchWindow::CBatchWindow(CodecManager& codecs, ImportPort* importer, BatchWindowHooks hooks,
                           QWidget* parent)
    : QWidget(parent, Qt::Window),
      codecs_(codecs),
      importer_(importer),
      hooks_(std::move(hooks)),
      files_(new BatchFileList(codecs, this)) {
    static const bool accessibleAsWindow = (QAccessible::installFactory(AccessibleAsWindow), true);
    Q_UNUSED(accessibleAsWindow);
    setObjectName(QStringLiteral("batchWindow"));
    setWindowTitle(QStringLiteral("Convert Several Files"));
    setAccessibleName(windowTitle());
    setAcceptDrops(true);
    CreateControls();
    LoadProfile();
    ShowVolumeLevel();
    UpdateControls();
    resize(860, 520);
}

CBatchWindow::~CBatchWindow() = default;

QString CBatchWindow::DefaultOutputFolder() {
    const QString home = QDir::homePath();
    QString music = QStandardPaths::writableLocation(QStandardPaths::MusicLocation);
    if (!music.startsWith(home + QLatin1Char('/'))) {
        music = home + QStringLiteral("/Music");
    }
    return music + QStringLiteral("/Sonaro");
}

void CBatchWindow::CreateControls() {
    table_ = new QTableView(this);
    Describe(table_, "batchFileTable", QStringLiteral("Files to convert"),
             QStringLiteral("One row for each file: its name, its folder, what the reader says "
                            "of its sound, and how its conversion stands"));
    table_->setModel(files_);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setTabKeyNavigation(false);
    table_->setWordWrap(false);
    table_->setTextElideMode(Qt::ElideMiddle);  // a cell's tooltip holds all of it
    table_->verticalHeader()->hide();
    table_->verticalHeader()->setDefaultSectionSize(table_->fontMetrics().height() + 8);
    table_->horizontalHeader()->setStretchLastSection(true);
    table_->setColumnWidth(BatchFileList::FileColumn, 150);
    table_->setColumnWidth(BatchFileList::FolderColumn, 170);
    table_->setColumnWidth(BatchFileList::SoundColumn, 220);
    connect(table_->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &CBatchWindow::UpdateControls);
    auto* remove =
        new QShortcut(QKeySequence::Delete, table_, nullptr, nullptr, Qt::WidgetShortcut);
    connect(remove, &QShortcut::activated, this, &CBatchWindow::RemoveSelected);
    connect(files_, &QAbstractItemModel::rowsInserted, this, &CBatchWindow::UpdateControls);
    connect(files_, &QAbstractItemModel::rowsRemoved, this, &CBatchWindow::UpdateControls);
    connect(files_, &QAbstractItemModel::modelReset, this, &CBatchWindow::UpdateControls);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(CreateFileButtons());
    layout->addWidget(table_, 1);
    layout->addWidget(CreateChoices());
    layout->addWidget(CreateRunControls());
    auto* cancel = new QShortcut(QKeySequence::Cancel, this);
    connect(cancel, &QShortcut::activated, this, &CBatchWindow::CancelRun);
}

QPushButton* CBatchWindow::AddButton(QWidget* parent, const char* objectName, const QString& text,
                                     const QString& description) {
    auto* button = new QPushButton(text, parent);
    Describe(button, objectName, QString(text).remove(QLatin1Char('&')), description);
    button->setAutoDefault(false);
    return button;
}

QWidget* CBatchWindow::CreateFileButtons() {
    auto* row = new QWidget(this);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    connect(AddButton(row, "addFilesButton", QStringLiteral("&Add Files..."),
                      QStringLiteral("Choose files to add to the list")),
            &QPushButton::clicked, this, &CBatchWindow::ChooseFiles);
    connect(AddButton(row, "addFolderButton", QStringLiteral("Add &Folder..."),
                      QStringLiteral("Add the sound files of a folder and of the folders in it")),
            &QPushButton::clicked, this, [this] { ChooseFolder(false); });
    connect(AddButton(row, "removeButton", QStringLiteral("&Remove"),
                      QStringLiteral("Take the selected files off the list")),
            &QPushButton::clicked, this, &CBatchWindow::RemoveSelected);
    connect(AddButton(row, "clearButton", QStringLiteral("C&lear"),
                      QStringLiteral("Take every file off the list")),
            &QPushButton::clicked, files_, &BatchFileList::Clear);
    for (QPushButton* button : row->findChildren<QPushButton*>()) {
        layout->addWidget(button);
    }
    layout->addStretch(1);
    return row;
}

QWidget* CBatchWindow::CreateChoices() {
    auto* box = new QWidget(this);
    auto* form = new QFormLayout(box);
    form->setContentsMargins(0, 0, 0, 0);

    import_ = new QCheckBox(QStringLiteral("&Import sound files the WAV reader refuses"), box);
    Describe(import_, "importBox", QStringLiteral("Import sound files the WAV reader refuses"),
             QStringLiteral("FLAC, Ogg, MP3, AIFF and other WAV files are first made plain WAV "
                            "files, as File, Import does"));
    connect(import_, &QCheckBox::toggled, files_, &BatchFileList::SetImport);
    form->addRow(import_);

    auto* folderRow = new QWidget(box);
    auto* folderLayout = new QHBoxLayout(folderRow);
    folderLayout->setContentsMargins(0, 0, 0, 0);
    folder_ = new QLineEdit(folderRow);
    Describe(folder_, "outputFolderEdit", QStringLiteral("Output folder"),
             QStringLiteral("The folder the converted files are written to"));
    folderLayout->addWidget(folder_, 1);
    connect(folder_, &QLineEdit::textChanged, this, &CBatchWindow::UpdateControls);
    QPushButton* choose = AddButton(folderRow, "chooseFolderButton", QStringLiteral("C&hoose..."),
                                    QStringLiteral("Choose the output folder"));
    choose->setAccessibleName(QStringLiteral("Choose output folder"));
    connect(choose, &QPushButton::clicked, this, [this] { ChooseFolder(true); });
    folderLayout->addWidget(choose);
    auto* folderLabel = new QLabel(QStringLiteral("&Output folder:"), box);
    folderLabel->setBuddy(folder_);
    form->addRow(folderLabel, folderRow);

    nameTaken_ = new QComboBox(box);
    Describe(nameTaken_, "nameTakenBox", QStringLiteral("When a name is taken"),
             QStringLiteral("What happens when the output folder already holds a file of a "
                            "result's name, or two files to convert give the same name"));
    for (const NameTakenChoice& choice : kNameTakenChoices) {
        nameTaken_->addItem(QString::fromLatin1(choice.text));
    }
    nameTaken_->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    auto* nameLabel = new QLabel(QStringLiteral("When a &name is taken:"), box);
    nameLabel->setBuddy(nameTaken_);
    form->addRow(nameLabel, nameTaken_);

    volume_ = new QSpinBox(box);
    volume_->setRange(0, 10);
    Describe(volume_, "volumeBox", QStringLiteral("Volume level"),
             QStringLiteral("The conversion's volume level, 0 to 10, as in the Settings dialog"));
    connect(volume_, &QSpinBox::valueChanged, this, [this](int level) {
        if (hooks_.setVolumeLevel) {
            hooks_.setVolumeLevel(level);
        }
    });
    volume_->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    auto* volumeLabel = new QLabel(QStringLiteral("&Volume level:"), box);
    volumeLabel->setBuddy(volume_);
    form->addRow(volumeLabel, volume_);
    return box;
}

QWidget* CBatchWindow::CreateRunControls() {
    auto* box = new QWidget(this);
    auto* layout = new QVBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* barRow = new QHBoxLayout;
    overall_ = new QProgressBar(box);
    Describe(overall_, "overallBar", QStringLiteral("Files converted"),
             QStringLiteral("How many files of the run have ended"));
    overall_->setVisible(false);  // from the first run on
    barRow->addWidget(overall_, 1);
    timeLeft_ = new QLabel(box);
    Describe(timeLeft_, "timeLeftLabel", QStringLiteral("Time left"));
    barRow->addWidget(timeLeft_);
    layout->addLayout(barRow);
    summary_ = new QLabel(box);
    Describe(summary_, "summaryLabel", QStringLiteral("Summary"));
    summary_->setTextInteractionFlags(Qt::TextSelectableByKeyboard | Qt::TextSelectableByMouse);
    layout->addWidget(summary_);

    auto* buttons = new QHBoxLayout;
    connect(AddButton(box, "openFolderButton", QStringLiteral("O&pen Folder"),
                      QStringLiteral("Show the output folder in the file manager")),
            &QPushButton::clicked, this, [this] {
                if (hooks_.openFolder) {
                    hooks_.openFolder(QDir(folder_->text().trimmed()).absolutePath());
                }
            });
    connect(AddButton(box, "helpButton", QStringLiteral("Help"),
                      QStringLiteral("Show the help page of this window")),
            &QPushButton::clicked, this, [this] {
                if (hooks_.showHelp) {
                    hooks_.showHelp(kHelpContextBatch);
                }
            });
    connect(AddButton(box, "convertButton", QStringLiteral("&Convert"),
                      QStringLiteral("Convert every file of the list into the output folder")),
            &QPushButton::clicked, this, &CBatchWindow::StartRun);
    connect(AddButton(box, "cancelButton", QStringLiteral("Cancel"),
                      QStringLiteral("Stop the conversions; the files done so far stay")),
            &QPushButton::clicked, this, &CBatchWindow::CancelRun);
    connect(
        AddButton(box, "closeButton", QStringLiteral("Close"), QStringLiteral("Close this window")),
        &QPushButton::clicked, this, &QWidget::close);
    const QList<QPushButton*> made = box->findChildren<QPushButton*>();
    for (int i = 0; i < made.size(); ++i) {
        if (i == 2) {
            buttons->addStretch(1);
        }
        buttons->addWidget(made[i]);
    }
    layout->addLayout(buttons);
    return box;
}

QPushButton* CBatchWindow::button(const char* objectName) const {
    return findChild<QPushButton*>(QString::fromLatin1(objectName));
}

void CBatchWindow::LoadProfile() {
    const QSettings profile = Profile();
    folder_->setText(profile.value(kFolderKey, DefaultOutputFolder()).toString());
    const QString policy = profile.value(kNameTakenKey).toString();
    for (int i = 0; i < nameTaken_->count(); ++i) {
        if (policy == QLatin1String(kNameTakenChoices[i].key)) {
            nameTaken_->setCurrentIndex(i);
        }
    }
    import_->setChecked(profile.value(kImportKey, true).toBool());
}

void CBatchWindow::SaveProfile() const {
    QSettings profile = Profile();
    profile.setValue(kFolderKey, folder_->text());
    profile.setValue(kNameTakenKey,
                     QString::fromLatin1(kNameTakenChoices[nameTaken_->currentIndex()].key));
    profile.setValue(kImportKey, import_->isChecked());
}

// WAV files, and those the importer reads.
std::vector<std::string> CBatchWindow::SoundEndings() const {
    std::vector<std::string> endings{"wav"};
    if (importer_ != nullptr) {
        for (const std::string& ending : importer_->FileExtensions()) {
            endings.push_back(ending);
        }
    }
    return endings;
}

void CBatchWindow::AddPaths(const QStringList& paths) {
    if (running()) {
        return;
    }
    QStringList files;
    for (const QString& path : paths) {
        if (QFileInfo(path).isDir()) {
            for (const std::string& file : SoundFilesIn(path.toStdString(), SoundEndings())) {
                files.append(QString::fromStdString(file));
            }
            lastFolder_ = path;
        } else {
            files.append(path);
            lastFolder_ = QFileInfo(path).absolutePath();
        }
    }
    files_->Add(files);
}

void CBatchWindow::ChooseFiles() {
    QStringList patterns;
    for (const std::string& ending : SoundEndings()) {
        patterns.append(QStringLiteral("*.") + QString::fromStdString(ending));
    }
    const QStringList chosen = QFileDialog::getOpenFileNames(
        this, QStringLiteral("Add Files"), lastFolder_,
        QStringLiteral("Sound files (%1);;All files (*)").arg(patterns.join(QLatin1Char(' '))));
    AddPaths(chosen);
}

void CBatchWindow::ChooseFolder(bool forOutput) {
    const QString start = forOutput ? folder_->text() : lastFolder_;
    const QString chosen = QFileDialog::getExistingDirectory(
        this, forOutput ? QStringLiteral("Output Folder") : QStringLiteral("Add Folder"), start);
    if (chosen.isEmpty()) {
        return;
    }
    if (forOutput) {
        folder_->setText(chosen);
        SaveProfile();
    } else {
        AddPaths({chosen});
    }
}

void CBatchWindow::RemoveSelected() {
    if (running()) {
        return;
    }
    std::vector<int> rows;
    for (const QModelIndex& index : table_->selectionModel()->selectedRows()) {
        rows.push_back(index.row());
    }
    files_->Remove(rows);
}

void CBatchWindow::ShowVolumeLevel() {
    if (hooks_.volumeLevel) {
        const QSignalBlocker quiet(volume_);
        volume_->setValue(hooks_.volumeLevel());
    }
}

void CBatchWindow::SetVolumeEditable(bool editable) {
    volumeEditable_ = editable;
    UpdateControls();
}

void CBatchWindow::UpdateControls() {
    const bool idle = !running();
    const bool any = files_->rowCount() > 0;
    for (const char* name : {"addFilesButton", "addFolderButton", "chooseFolderButton"}) {
        button(name)->setEnabled(idle);
    }
    button("removeButton")->setEnabled(idle && table_->selectionModel()->hasSelection());
    button("clearButton")->setEnabled(idle && any);
    const QString folder = folder_->text().trimmed();
    button("convertButton")->setEnabled(idle && any && !folder.isEmpty());
    button("openFolderButton")->setEnabled(!folder.isEmpty() && QFileInfo(folder).isDir());
    button("cancelButton")->setEnabled(!idle);
    import_->setEnabled(idle);
    folder_->setEnabled(idle);
    nameTaken_->setEnabled(idle);
    volume_->setEnabled(idle && volumeEditable_);
}

void CBatchWindow::Warn(const QString& text) {
    QMessageBox box(QMessageBox::Warning, QString::fromUtf8(LoadString(AFX_IDS_APP_TITLE)), text,
                    QMessageBox::Ok, this);
    box.exec();
}

void CBatchWindow::closeEvent(QCloseEvent* event) {
    if (running()) {
        closeAfterRun_ = true;
        CancelRun();
        event->ignore();
        return;
    }
    SaveProfile();
    event->accept();
}

// The level may have been changed in the Settings dialog while another window was active.
void CBatchWindow::changeEvent(QEvent* event) {
    if (event->type() == QEvent::ActivationChange && isActiveWindow()) {
        ShowVolumeLevel();
    }
    QWidget::changeEvent(event);
}

void CBatchWindow::dragEnterEvent(QDragEnterEvent* event) {
    if (!running() && !LocalPaths(event->mimeData()).isEmpty()) {
        event->acceptProposedAction();
    }
}

void CBatchWindow::dropEvent(QDropEvent* event) {
    const QStringList paths = LocalPaths(event->mimeData());
    if (running() || paths.isEmpty()) {
        return;
    }
    event->acceptProposedAction();
    AddPaths(paths);
}

}  // namespace sonaro
