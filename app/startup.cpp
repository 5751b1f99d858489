#include "app/startup.h"

#include "app/components/app_events.h"
#include "app/components/open_picture_dialog.h"
#include "app/components/printer_setup_dialog.h"
#include "app/components/rx_label.h"
#include "app/components/secret_panel.h"
#include "app/components/tray_icon.h"
#include "app/other_forms.h"
#include "app/viewer_form.h"
#include "docking/docking.h"
#include "filelists/filelists.h"
#include "framework/application.h"
#include "framework/class_registry.h"
#include "framework/exceptions.h"
#include "picture/bitmap/bitmap.h"
#include "picture/formats.h"
#include "picture/image.h"
#include "platform/drives/drives.h"
#include "platform/paths.h"
#include "report/quick_rep.h"
#include "settings/form_storage.h"

#include <cstdlib>
#include <filesystem>

namespace {
constexpr auto cannotOpen = "Cannot open file %s";

// A name given on the command line names an existing file as it stands (relative names against
// the current directory); directories do not count.
bool fileExistsAsGiven(const std::string& name)
{
    std::error_code error;
    return std::filesystem::is_regular_file(std::filesystem::path(name), error);
}
} // namespace

const char* const ViewerTitle = "Pictavo 2";

void RegisterViewerClasses()
{
    RegisterFrameworkClasses();
    RegisterPictureFormats();
    RegisterImageClass();
    RegisterDockingClasses();
    RegisterFileListClasses();
    RegisterSettingsClasses();
    RegisterReportClasses();
    RegisterClasses({
        TRxLabel::StaticClass(),
        TSecretPanel::StaticClass(),
        TOpenPictureDialog::StaticClass(),
        TPrinterSetupDialog::StaticClass(),
        TAppEvents::StaticClass(),
        TRxTrayIcon::StaticClass(),
    });
}

void CreateViewerWindows()
{
    Application->CreateForm(Form_Viewer);
    Application->CreateForm(Sobre);
    Application->CreateForm(ImprimeGrafico);
    Application->CreateForm(Form_Zoom);
    Application->CreateForm(Form_PrintPreview);
}

int StartViewer(const StartupCommand& command)
{
    if (!command.batchPrint) {
        // The application does not show its main window by itself (the window's design says
        // so): only this does, which keeps it hidden in batch mode.
        Form_Viewer->SetVisible(true);
        return 0;
    }
    int status = 0;
    try {
        // The first printer of the platform's list, not the default printer.
        ImprimeGrafico->QuickRep->PrinterSettings()->SetPrinterIndex(0);
        for (const std::string& name : command.files) {
            if (!fileExistsAsGiven(name))
                continue;
            const auto path = platform::toDriveLetterPath(name);
            if (!path)
                throw EFOpenError(cannotOpen, {name});
            ImprimeGrafico->ImprimirImagem(*path);
        }
    } catch (...) {
        // The first failure is shown and ends the batch.
        Application->HandleException(Application);
        status = 1;
    }
    Application->Terminate();
    return status;
}

namespace {

std::string environment(const char* name)
{
    const char* value = std::getenv(name);
    return value ? value : "";
}

// The lists start in the process's directory, which must be one they can show. Names to print
// are taken from where the program was started before it moves.
StartupCommand settleCurrentDirectory(StartupCommand command)
{
    for (std::string& name : command.files)
        if (fileExistsAsGiven(name)) {
            std::error_code error;
            const auto absolute = std::filesystem::absolute(name, error);
            if (!error)
                name = absolute.string();
        }
    platform::ensureUsableCurrentDirectory(environment("PWD"), environment("HOME"));
    return command;
}

} // namespace

int RunViewer(int& argc, char** argv, StartupCommand command)
{
    // The command line is the program's own: the window system is given only the program's
    // name, so that it neither takes parameters away ("-reverse", "-style x") nor acts on them
    // ("-platform x").
    command = settleCurrentDirectory(std::move(command));
    int windowSystemArgc = argc > 0 ? 1 : 0;
    TApplication application;
    int status = 0;
    try {
        application.Initialize(windowSystemArgc, argv);
        application.SetTitle(ViewerTitle);
        // Bitmap surfaces give their drawing contexts back after every handled message.
        const THookSubscription surfaces = application.MessageHandled.Add(FreeBitmapSurfaceContexts);
        RegisterViewerClasses();
        CreateViewerWindows();
        status = StartViewer(command);
        application.Run();
    } catch (...) {
        application.HandleException(&application);
        status = 1;
    }
    return status;
}
