#include "app/sonaro_app.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QFileInfo>
#include <QGuiApplication>
#include <QIcon>
#include <QSessionManager>
#include <iostream>

#include "app/about_dlg.h"
#include "app/desktop_notification.h"
#include "app/desktop_parts.h"
#include "app/main_frame.h"
#include "convert/codecs/codec_setup.h"
#include "document/sonaro_doc.h"
#include "import/sandboxed_importer.h"
#include "resources/frame_resources.h"
#include "ui/batch_window.h"
#include "ui/profile.h"
#include "ui/svg_picture.h"

namespace sonaro {
namespace {

// The program's icon at the usual sizes.
QIcon ProgramIcon() {
    QIcon icon;
    for (int size : {16, 32, 48, 64}) {
        icon.addPixmap(
            RenderSvg(QStringLiteral(":/images/sonaro.svg"), Qt::transparent, QSize(size, size)));
    }
    return icon;
}

}  // namespace

CSonaroApp::CSonaroApp(std::unique_ptr<SoundOutput> sound)
    : codecs_(MakeCodecManager(std::cerr, "sonaro")),
      sound_(sound ? std::move(sound) : MakeSoundOutput(*codecs_)),
      importer_(std::make_unique<SandboxedImporter>()) {
    doc_ = std::make_unique<CSonaroDoc>(user_, *sound_, *codecs_, importer_.get());
    user_.SetHelp([this](int context) { help_.ShowHelp(context); });
}

// The windows go before the document they show.
CSonaroApp::~CSonaroApp() {
    batch_.reset();
    frame_.reset();
}

void CSonaroApp::SetProfileNames() {
    QCoreApplication::setOrganizationName(kProfileOrganisation);
    QCoreApplication::setApplicationName(kProfileApplication);
}

bool CSonaroApp::InitInstance(const QStringList& arguments) {
    SetProfileNames();
    frame_ = std::make_unique<CMainFrame>(*doc_, user_);
    frame_->setWindowIcon(ProgramIcon());
    frame_->SetApplicationCommands([this](unsigned command) { OnAppCommand(command); });
    user_.SetMainWindow(frame_.get());
    user_.SetViewUpdater([this] { frame_->OnDocumentChanged(); });
    help_.SetMainWindow(frame_.get());
    ConnectBatchWindow();

    if (arguments.size() == 1) {
        // The document is given the full path; a refused file ends the program after its message.
        const QString path = QFileInfo(arguments.constFirst()).absoluteFilePath();
        if (!doc_->OnOpenDocument(path.toStdString())) {
            frame_.reset();
            return false;
        }
        recent_.Add(path);
    }
    // Logging out closes the windows as their close buttons do, conversions cancelled first.
    QObject::connect(qApp, &QGuiApplication::commitDataRequest, frame_.get(),
                     [this](QSessionManager& session) {
                         if (session.allowsInteraction()) {
                             if (!frame_->QueryEndSession()) {
                                 session.cancel();
                             } else if (batch_) {
                                 batch_->close();
                             }
                             session.release();
                         }
                     });
    frame_->setAcceptDrops(true);
    frame_->UpdateCommandUI();
    if (arguments.size() > 1) {
        ShowBatchWindow(arguments);
    } else {
        frame_->show();
    }
    return true;
}

// The batch window shows the document's volume level as the Settings dialog changes it, and
// leaves it alone while the main window waits for a conversion or an import.
void CSonaroApp::ConnectBatchWindow() {
    QObject::connect(frame_.get(), &CMainFrame::commandHandled, frame_.get(),
                     [this](unsigned command) {
                         if (command == ID_SETTINGS && batch_) {
                             batch_->ShowVolumeLevel();
                         }
                     });
    QObject::connect(frame_.get(), &CMainFrame::enabledChanged, frame_.get(), [this](bool enabled) {
        if (batch_) {
            batch_->SetVolumeEditable(enabled);
        }
    });
}

void CSonaroApp::ShowAboutBox() {
    CAboutDlg about(frame_.get());
    about.exec();
}

void CSonaroApp::OnHelpTopics() {
    help_.ShowHelp(kHelpContextTopics);
}

void CSonaroApp::ShowBatchWindow(const QStringList& paths) {
    if (!batch_) {
        BatchWindowHooks hooks;
        hooks.volumeLevel = [this] { return doc_->volumeLevel(); };
        hooks.setVolumeLevel = [this](int level) {
            doc_->SetVolumeLevel(level);
            frame_->UpdateCommandUI();
        };
        hooks.notify = [](const QString& summary, const QString& folder) {
            NotifyDesktop(summary, folder, SessionBusIfAny());
        };
        hooks.openFolder = [](const QString& folder) {
            QDesktopServices::openUrl(QUrl::fromLocalFile(folder));
        };
        hooks.showHelp = [this](int context) { help_.ShowHelp(context); };
        batch_ = std::make_unique<CBatchWindow>(*codecs_, importer_.get(), std::move(hooks));
        batch_->setWindowIcon(ProgramIcon());
        batch_->SetVolumeEditable(frame_->isEnabled());
    }
    batch_->AddPaths(paths);
    batch_->show();
    batch_->raise();
    batch_->activateWindow();
}

void CSonaroApp::OnAppCommand(unsigned command) {
    switch (command) {
        case ID_FILE_CONVERT_SEVERAL:
            ShowBatchWindow();
            break;
        case ID_APP_ABOUT:
            ShowAboutBox();
            break;
        case ID_HELP_TOPICS:
            OnHelpTopics();
            break;
        case ID_APP_EXIT:
            frame_->close();
            break;
        default:
            break;
    }
}

}  // namespace sonaro
