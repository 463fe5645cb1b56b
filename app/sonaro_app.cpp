#include "app/sonaro_app.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QGuiApplication>
#include <QIcon>
#include <QSessionManager>
#include <iostream>

#include "app/about_dlg.h"
#include "app/desktop_parts.h"
#include "app/main_frame.h"
#include "convert/codecs/codec_setup.h"
#include "document/sonaro_doc.h"
#include "import/sandboxed_importer.h"
#include "resources/frame_resources.h"
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

// The main window goes before the document it shows.
CSonaroApp::~CSonaroApp() {
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

    if (!arguments.isEmpty()) {
        // The document is given the full path; a refused file ends the program after its message.
        const QString path = QFileInfo(arguments.constFirst()).absoluteFilePath();
        if (!doc_->OnOpenDocument(path.toStdString())) {
            frame_.reset();
            return false;
        }
        recent_.Add(path);
    }
    // Logging out closes the window as its close button does, a conversion cancelled first.
    QObject::connect(qApp, &QGuiApplication::commitDataRequest, frame_.get(),
                     [this](QSessionManager& session) {
                         if (session.allowsInteraction()) {
                             if (!frame_->QueryEndSession()) {
                                 session.cancel();
                             }
                             session.release();
                         }
                     });
    frame_->show();
    frame_->setAcceptDrops(true);
    frame_->UpdateCommandUI();
    return true;
}

void CSonaroApp::ShowAboutBox() {
    CAboutDlg about(frame_.get());
    about.exec();
}

void CSonaroApp::OnHelpTopics() {
    help_.ShowHelp(kHelpContextTopics);
}

void CSonaroApp::OnAppCommand(unsigned command) {
    switch (command) {
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
