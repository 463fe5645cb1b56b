#include "app/file_dialog.h"

#include <QDir>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QLineEdit>
#include <QTimer>
#include <QTreeView>

#include "app/qt_user_port.h"

namespace sonaro {

CFileDialog::CFileDialog(QWidget* parent, Purpose purpose) : QFileDialog(parent) {
    const bool save = purpose == Purpose::Save;
    setObjectName(save ? QStringLiteral("saveDialog") : QStringLiteral("openDialog"));
    setWindowTitle(save ? QStringLiteral("Save As") : QStringLiteral("Open"));
    setNameFilters(NameFilters());
    setDefaultSuffix(QStringLiteral("wav"));
    setAcceptMode(save ? AcceptSave : AcceptOpen);
    setFileMode(save ? AnyFile : ExistingFile);  // saving asks before it overwrites, by default
    fitTimer_.setSingleShot(true);
    fitTimer_.setInterval(50);
    connect(&fitTimer_, &QTimer::timeout, this, &CFileDialog::FitColumns);
}

// "All files" matches every name, also one without a dot.
const QStringList& CFileDialog::NameFilters() {
    static const QStringList filters = {QStringLiteral("WAV files (*.wav)"),
                                        QStringLiteral("All files (*)")};
    return filters;
}

QString CFileDialog::ExistingDirectory(const QString& directory) {
    QString path = directory.isEmpty() ? QString() : QDir(directory).absolutePath();
    while (!path.isEmpty() && !QFileInfo(path).isDir()) {
        const QString parent = QFileInfo(path).path();
        path = parent == path ? QString() : parent;
    }
    return path.isEmpty() ? QDir::currentPath() : path;
}

// A native dialog stands in for a hidden one (not shown on the screen) and has no name field.
bool CFileDialog::UsesOwnWidgets() const {
    return !testAttribute(Qt::WA_DontShowOnScreen) &&
           findChild<QLineEdit*>(QStringLiteral("fileNameEdit")) != nullptr;
}

void CFileDialog::accept() {
    if (acceptMode() == AcceptSave && UsesOwnWidgets() && !selectedFiles().isEmpty()) {
        const QString folder = QFileInfo(selectedFiles().constFirst()).absolutePath();
        if (!QFileInfo(folder).isDir()) {
            ShowWarning(this, QStringLiteral("The folder %1 does not exist.").arg(folder));
            return;
        }
    }
    QFileDialog::accept();
}

// Each column of the detail view as wide as what it shows, and the dialog wide enough for all of
// them. The model fills in sizes and types after the names, so the columns are fitted again
// shortly after each change.
void CFileDialog::showEvent(QShowEvent* event) {
    QFileDialog::showEvent(event);
    if (!UsesOwnWidgets()) {
        return;
    }
    FitColumns();
    auto* model = findChild<QFileSystemModel*>();
    if (model != nullptr && !watchingModel_) {
        watchingModel_ = true;
        const auto later = [this] { fitTimer_.start(); };
        connect(model, &QFileSystemModel::directoryLoaded, this, later);
        connect(model, &QAbstractItemModel::dataChanged, this, later);
        connect(model, &QAbstractItemModel::rowsInserted, this, later);
    }
}

void CFileDialog::FitColumns() {
    auto* list = findChild<QTreeView*>(QStringLiteral("treeView"));
    if (list == nullptr) {
        return;
    }
    for (int column = 1; column < list->header()->count(); ++column) {
        list->resizeColumnToContents(column);
    }
    const int missing = list->header()->length() - list->viewport()->width();
    if (missing > 0) {
        resize(width() + missing, height());
    }
}

}  // namespace sonaro
