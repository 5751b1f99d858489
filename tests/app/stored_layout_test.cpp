// The main window's layout kept between runs: its placement and the twenty stored properties in
// pictavo.ini, the panel commands that change them, and what a damaged or unwritable file does.
// Each test has a settings folder of its own (the test entry point's doing).

#include "app/other_forms.h"
#include "app/startup.h"
#include "app/viewer_form.h"
#include "docking/docking.h"
#include "framework/application.h"
#include "framework/menus.h"
#include "platform/profile_file.h"

#include "support/test_support.h"

#include <QDir>
#include <QFileInfo>

#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace {

using Lines = std::vector<std::pair<std::string, std::string>>;

class StoredLayoutTest : public ::testing::Test {
protected:
    StoredLayoutTest()
        : presenter(MessagePresenter(), [this](const std::string& caption, const std::string& text) {
              messages.push_back(caption + ": " + text);
          })
    {
        RegisterViewerClasses();
    }
    ~StoredLayoutTest() override { application.reset(); }

    // A run of the program up to its main window showing.
    void start()
    {
        application = std::make_unique<TApplication>();
        application->SetTitle(ViewerTitle);
        CreateViewerWindows();
        StartViewer(ParseCommandLine({"pictavo"}));
        viewer = Form_Viewer;
    }
    // The user closes the main window, and the program ends.
    void quit()
    {
        viewer->Close();
        application.reset();
        viewer = nullptr;
    }
    void choose(const char* itemName)
    {
        auto* item = dynamic_cast<TMenuItem*>(viewer->FindComponent(itemName));
        ASSERT_NE(item, nullptr) << itemName;
        application->Dispatch(item, [item] { item->Click(); });
    }

    static std::string settingsPath() { return platform::profilePath("pictavo.ini"); }
    static void writeSettings(const std::string& text)
    {
        QDir().mkpath(QFileInfo(QString::fromStdString(settingsPath())).path());
        std::ofstream(settingsPath()) << text;
    }
    // The "key=value" lines of a section, in order.
    static Lines section(const std::string& name)
    {
        std::ifstream in(settingsPath());
        Lines lines;
        std::string line;
        bool inside = false;
        while (std::getline(in, line)) {
            if (!line.empty() && line[0] == '[') {
                inside = line == "[" + name + "]";
                continue;
            }
            const auto equals = line.find('=');
            if (inside && equals != std::string::npos)
                lines.emplace_back(line.substr(0, equals), line.substr(equals + 1));
        }
        return lines;
    }
    static std::string value(const std::string& key)
    {
        return platform::readProfileString(settingsPath(), "Pictavo", key, "(missing)");
    }

    std::vector<std::string> messages;
    Seam<void(const std::string&, const std::string&)>::Scoped presenter;
    std::unique_ptr<TApplication> application;
    TForm_Viewer* viewer = nullptr;
};

TEST_F(StoredLayoutTest, AFirstRunWritesTheWholeSectionInOrder)
{
    start();
    choose("mnu_Zoom");
    choose("mnu_ImagemNormal");
    quit();
    const Lines expected = {
        {"Flags", "0"},
        {"ShowCmd", "1"},
        {"MinMaxPos(1024x768)", "-1,-1,-1,-1"},
        {"MinMaxPos", "-1,-1,-1,-1"},
        {"NormPos(1024x768)", "216,145,808,623"},
        {"NormPos", "216,145,808,623"},
        {"Visible", "0"},
        {"MainMenu981_DockedTo", "Dock_Topo"},
        {"MainMenu981_DockPos", "0"},
        {"MainMenu981_DockRow", "0"},
        {"tbar_Arquivos_DockedTo", "Dock_Esquerda"},
        {"tbar_Arquivos_DockPos", "213"},
        {"tbar_Arquivos_DockRow", "0"},
        {"tbar_Arquivos_Visible", "True"},
        {"Combo_Drive_Visible", "True"},
        {"List_Diretorio_Visible", "True"},
        {"Lista_Arquivos_Visible", "True"},
        {"mnu_BarradeFerramentas_Checked", "True"},
        {"mnu_Diretorios_Checked", "True"},
        {"mnu_Drive_Checked", "True"},
        {"mnu_exibirarquivos_Checked", "True"},
        {"mnu_ImagemEsticada_Checked", "False"},
        {"mnu_ImagemNormal_Checked", "True"},
        {"tbar_Diretorios_Visible", "True"},
        {"tbar_Drive_Visible", "True"},
        {"tbar_Ferramentas_Visible", "True"},
        {"tbar_Zoom_Visible", "False"},
    };
    EXPECT_EQ(section("Pictavo"), expected);
    EXPECT_TRUE(messages.empty());
}

TEST_F(StoredLayoutTest, AProgramEndingWithoutTheWindowClosingSavesFromTheDestroying)
{
    start();
    application.reset();
    EXPECT_EQ(value("Visible"), "1");
    EXPECT_EQ(value("tbar_Zoom_Visible"), "True");
}

TEST_F(StoredLayoutTest, TheWindowComesBackWhereItWasAlsoFromAnotherScreensKey)
{
    // Saved on an 800 x 600 screen: only the plain key fits this one.
    writeSettings("[Pictavo]\nNormPos(800x600)=5,5,300,300\nNormPos=100,120,692,598\n");
    start();
    EXPECT_EQ(viewer->BoundsRect(), (TRect{100, 120, 692, 598}));
    viewer->SetBounds(40, 30, 700, 500);
    quit();
    EXPECT_EQ(value("NormPos(1024x768)"), "40,30,740,530");
    EXPECT_EQ(value("NormPos"), "40,30,740,530");
    EXPECT_EQ(value("NormPos(800x600)"), "5,5,300,300");
    // This screen's key comes first next time, even when the plain one says otherwise.
    platform::writeProfileString(settingsPath(), "Pictavo", "NormPos", "0,0,600,500");
    start();
    EXPECT_EQ(viewer->BoundsRect(), (TRect{40, 30, 740, 530}));
}

TEST_F(StoredLayoutTest, StoredValuesThatDoNotFitAreHandledAsEachKindSays)
{
    writeSettings("[Pictavo]\n"
                  "MainMenu981_DockPos=abc\n"
                  "tbar_Zoom_Visible=false\n"
                  "tbar_Ferramentas_Visible=talvez\n"
                  "tbar_Arquivos_DockedTo=(null)\n"
                  "tbar_Diretorios_Visible=True\n");
    start();
    EXPECT_EQ(viewer->MainMenu981->DockPos(), 0) << "no number gives 0";
    EXPECT_FALSE(viewer->tbar_Zoom->Visible()) << "identifiers match without regard to case";
    EXPECT_TRUE(viewer->tbar_Ferramentas->Visible()) << "nonsense leaves the design's value";
    EXPECT_EQ(viewer->tbar_Arquivos->DockedTo(), nullptr) << "(null) floats the tool window";
    quit();

    writeSettings("[Pictavo]\ntbar_Arquivos_DockedTo=Doca_Que_Nao_Existe\n");
    start();
    EXPECT_EQ(viewer->tbar_Arquivos->DockedTo(), nullptr) << "a name the form does not know: no dock";
}

TEST_F(StoredLayoutTest, AFloatingToolWindowKeepsTheDockItWasLastSavedIn)
{
    start();
    quit();
    ASSERT_EQ(value("tbar_Arquivos_DockedTo"), "Dock_Esquerda");
    start();
    viewer->tbar_Arquivos->SetDockedTo(nullptr);
    quit();
    EXPECT_EQ(value("tbar_Arquivos_DockedTo"), "Dock_Esquerda");
    EXPECT_NE(value("tbar_Arquivos_DockPos"), "(missing)");
    start();
    EXPECT_EQ(viewer->tbar_Arquivos->DockedTo(), viewer->Dock_Esquerda);
}

TEST_F(StoredLayoutTest, TheZoomToolbarHiddenAtExitComesBackHiddenWithItsMarkSet)
{
    start();
    choose("mnu_Zoom");
    ASSERT_FALSE(viewer->tbar_Zoom->Visible());
    ASSERT_FALSE(viewer->mnu_Zoom->Checked());
    choose("mnu_Drive");
    quit();

    start();
    // The Zoom mark is not stored: it is set at every start, while the others come back.
    EXPECT_FALSE(viewer->tbar_Zoom->Visible());
    EXPECT_TRUE(viewer->mnu_Zoom->Checked());
    EXPECT_FALSE(viewer->tbar_Drive->Visible());
    EXPECT_FALSE(viewer->mnu_Drive->Checked());
    // The mark drives the command: the first choice keeps the toolbar hidden, the second shows it.
    choose("mnu_Zoom");
    EXPECT_FALSE(viewer->tbar_Zoom->Visible());
    EXPECT_FALSE(viewer->mnu_Zoom->Checked());
    choose("mnu_Zoom");
    EXPECT_TRUE(viewer->tbar_Zoom->Visible());
    EXPECT_TRUE(viewer->mnu_Zoom->Checked());
}

TEST_F(StoredLayoutTest, ASettingsFileThatCannotBeWrittenIsReportedAndTheWindowStillCloses)
{
    // The settings folder's place is taken by a file.
    std::ofstream(QFileInfo(QString::fromStdString(settingsPath())).path().toStdString()) << "not a folder";
    start();
    TComponentRef<TForm> window(viewer);
    quit();
    ASSERT_EQ(messages.size(), 1u) << ::testing::PrintToString(messages);
    EXPECT_EQ(messages[0].rfind("Pictavo 2: Unable to write to ", 0), 0u) << messages[0];
    EXPECT_NE(messages[0].find("pictavo.ini"), std::string::npos);
    EXPECT_FALSE(window);
}

} // namespace
