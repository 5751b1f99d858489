// gui_smoke OUTPUT.png: the real main window on the desktop's display (run under Xvfb by the
// smoke test). It starts as the program does, chooses a bitmap in the file list with the
// keyboard, grabs the window from the screen into OUTPUT.png and checks that the picture shows
// in it, stretched over the picture area. Exit status 0 when everything checked out.

#include "app/startup.h"
#include "app/viewer_form.h"
#include "filelists/filelists.h"
#include "framework/application.h"
#include "framework/ext_controls.h"
#include "picture/image.h"

#include "support/test_pictures.h"

#include <QAbstractItemView>
#include <QGuiApplication>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

using namespace testing_support;

namespace {
int failures = 0;

void check(bool condition, const std::string& what)
{
    if (!condition) {
        std::fprintf(stderr, "FAILED: %s\n", what.c_str());
        ++failures;
    }
}
} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fputs("usage: gui_smoke OUTPUT.png\n", stderr);
        return 2;
    }
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "xcb", 1);
    const std::string output = argv[1];

    // The lists start in the current directory: one holding a single picture.
    QTemporaryDir directory;
    writeFile(directory.path().toStdString(), "quadros.bmp", quadrantBitmap(100, 60));
    std::filesystem::current_path(directory.path().toStdString());

    TApplication application;
    application.Initialize(argc, argv);
    application.SetTitle(ViewerTitle);
    RegisterViewerClasses();
    CreateViewerWindows();
    StartViewer(ParseCommandLine({"pictavo"}));
    QWidget* window = Form_Viewer->Widget();
    check(QTest::qWaitForWindowExposed(window), "the main window is shown");
    check(window->windowTitle() == QStringLiteral("Pictavo 2.0"), "the caption is \"Pictavo 2.0\"");
    check(window->width() == 584 && window->height() == 451, "the client area is 584 x 451");

    auto* list = qobject_cast<QAbstractItemView*>(Form_Viewer->Lista_Arquivos->Widget());
    check(Form_Viewer->Lista_Arquivos->Count() == 1, "the file list shows the one picture");
    QTest::keyClick(list, Qt::Key_Home);
    application.ProcessMessages();
    check(Form_Viewer->Tab_Imagem->Caption() == "quadros.bmp", "the tab shows the file's name");
    check(Form_Viewer->Imagem->Visible(), "the picture is shown");

    // What the screen shows: the window's client area.
    QTest::qWait(200);
    application.ProcessMessages();
    const QImage shown = window->screen()->grabWindow(window->winId()).toImage().convertToFormat(QImage::Format_RGB32);
    check(shown.save(QString::fromStdString(output), "PNG"), "the screenshot is saved");

    // The picture's quadrants in the middle of each quarter of the picture area.
    const QPoint origin = Form_Viewer->Imagem->Widget()->mapTo(window, QPoint(0, 0));
    const int width = Form_Viewer->Imagem->Width();
    const int height = Form_Viewer->Imagem->Height();
    const struct {
        int x, y;
        Rgb colour;
        const char* name;
    } samples[] = {
        {width / 4, height / 4, red, "red"},
        {width * 3 / 4, height / 4, green, "green"},
        {width / 4, height * 3 / 4, blue, "blue"},
        {width * 3 / 4, height * 3 / 4, white, "white"},
    };
    for (const auto& sample : samples) {
        const Rgb seen = pixelAt(shown, origin.x() + sample.x, origin.y() + sample.y);
        check(seen == sample.colour, std::string("the picture's ") + sample.name + " quarter shows on the screen (saw " +
                                         describe(seen) + ")");
    }
    return failures == 0 ? 0 : 1;
}
