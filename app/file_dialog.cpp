#include "app/file_dialog.h"

#include <QDir>
#include <QHeaderView>
#include <QLineEdit>
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

// Wide enough for the detail view's columns, whose widths Qt sets from the font.
void CFileDialog::showEvent(QShowEvent* event) {
    QFileDialog::showEvent(event);
    const auto* list = findChild<QTreeView*>(QStringLiteral("treeView"));
    if (list != nullptr && UsesOwnWidgets()) {
        const int missing = list->header()->length() - list->viewport()->width();
        if (missing > 0) {
            resize(width() + missing, height());
        }
    }
}

}  // namespace sonaro
