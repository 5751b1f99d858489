#include "framework/design_reader.h"

#include "framework/application.h"
#include "framework/ext_controls.h"
#include "framework/forms.h"
#include "framework/list_controls.h"
#include "framework/menus.h"
#include "framework/std_controls.h"
#include "framework/streams.h"
#include "framework/timer.h"

#include "support/test_support.h"

#include <QFile>

namespace {

std::vector<std::string>& loadedOrder()
{
    static std::vector<std::string> order;
    return order;
}

// A picture-like sub-object: its stored data is a binary property named "Data".
class TTestPicture : public TPersistent {
    PICTAVO_CLASS(TTestPicture)
public:
    std::vector<std::uint8_t> data;
    int reads = 0;
    void DeclareStoredData(TFiler& filer) override
    {
        filer.DefineBinaryProperty(
            "Data",
            [this](TStream& stream) {
                ++reads;
                data.resize(std::size_t(stream.Size()));
                stream.ReadBuffer(data.data(), stream.Size());
            },
            [this](TStream& stream) { stream.WriteBuffer(data.data(), std::int64_t(data.size())); }, !data.empty());
    }
};
PICTAVO_DEFINE_CLASS(TTestPicture, TPersistent, nullptr, nullptr)

// An image-like control holding a picture.
class TTestImage : public TGraphicControl {
    PICTAVO_CLASS(TTestImage)
public:
    explicit TTestImage(TComponent* owner) : TGraphicControl(owner), m_picture(std::make_unique<TTestPicture>()) {}
    TTestPicture* Picture() const { return m_picture.get(); }
    const PropertyTable* Properties() const override
    {
        static const PropertyTable table(&TControl::ClassProperties(), {
            props::object<TTestImage, TTestPicture>("Picture", &TTestImage::Picture),
        });
        return &table;
    }

private:
    std::unique_ptr<TTestPicture> m_picture;
};
PICTAVO_DEFINE_CLASS(TTestImage, TGraphicControl, nullptr, createComponentOf<TTestImage>)

// Records the order in which components finish loading.
class TLoadRecorder : public TComponent {
    PICTAVO_CLASS(TLoadRecorder)
public:
    using TComponent::TComponent;

protected:
    void Loaded() override
    {
        TComponent::Loaded();
        loadedOrder().push_back(Name());
    }
};
PICTAVO_DEFINE_CLASS(TLoadRecorder, TComponent, nullptr, createComponentOf<TLoadRecorder>)

// A form of the program's kind: handlers registered by name, its design read when made.
class TTestForm : public TForm {
    PICTAVO_CLASS(TTestForm)
public:
    explicit TTestForm(TComponent* owner) : TForm(owner)
    {
        RegisterHandler("FormClose", this, &TTestForm::FormClose);
        RegisterHandler("FormCreate", this, &TTestForm::FormCreate);
        RegisterHandler("mnu_AbrirClick", this, &TTestForm::mnu_AbrirClick);
        RegisterHandler("mnu_SairClick", this, &TTestForm::mnu_SairClick);
        RegisterHandler("ListDblClick", this, &TTestForm::ListDblClick);
        RegisterHandler("RelogioTimer", this, &TTestForm::RelogioTimer);
    }

    void FormClose(TObject*, TCloseAction& action)
    {
        calls.push_back("FormClose");
        action = caFree;
    }
    void FormCreate(TObject*)
    {
        calls.push_back("FormCreate");
        createdWithMenu = Menu() != nullptr;
    }
    void mnu_AbrirClick(TObject* sender) { calls.push_back("mnu_AbrirClick " + static_cast<TComponent*>(sender)->Name()); }
    void mnu_SairClick(TObject*) { calls.push_back("mnu_SairClick"); }
    void ListDblClick(TObject*) { calls.push_back("ListDblClick"); }
    void RelogioTimer(TObject*) { calls.push_back("RelogioTimer"); }

    std::vector<std::string> calls;
    bool createdWithMenu = false;

protected:
    void Loaded() override
    {
        TForm::Loaded();
        loadedOrder().push_back(Name());
    }
};
PICTAVO_DEFINE_CLASS(TTestForm, TForm, nullptr, createComponentOf<TTestForm>)

void registerTestClasses()
{
    RegisterClasses({TTestImage::StaticClass(), TLoadRecorder::StaticClass(), TTestForm::StaticClass()});
}

template <class T>
T* find(TComponent& root, const char* name)
{
    auto* component = dynamic_cast<T*>(root.FindComponent(name));
    EXPECT_NE(component, nullptr) << name;
    return component;
}

// Reads a design given inline and returns the message of the error it raises.
std::string errorOf(TComponent& root, const std::string& json, const HandlerLookup& handlers = {})
{
    try {
        ReadDesignText(root, json, handlers, "inline");
    } catch (const EFilerError& e) {
        return e.Message();
    }
    return "(no error)";
}

} // namespace

class DesignReading : public testing::Test {
protected:
    DesignReading()
    {
        registerTestClasses();
        loadedOrder().clear();
        form = new TTestForm(nullptr);
        form->LoadDesign("test_form");
    }
    ~DesignReading() override { delete form; }

    TApplication app;
    TTestForm* form;
};

TEST_F(DesignReading, BuildsTheFormWithItsNamedComponentsAndProperties)
{
    EXPECT_EQ(form->Name(), "Form_Teste");
    EXPECT_EQ(form->Caption(), "Pictavo 2.0");
    EXPECT_EQ(form->ClientWidth(), 584);
    EXPECT_EQ(form->ClientHeight(), 451 - menuBarHeight);
    EXPECT_EQ(form->Position(), poScreenCenter);
    EXPECT_TRUE(form->ShowHint());
    EXPECT_TRUE(form->KeyPreview());
    EXPECT_EQ(form->Color(), clBtnFace);
    EXPECT_EQ(form->BorderIcons(), (1u << biSystemMenu) | (1u << biMinimize));
    EXPECT_EQ(form->Font()->Height(), -11);
    EXPECT_EQ(form->Font()->Style(), 1u << fsBold);
    EXPECT_FALSE(form->ParentFont());

    auto* top = find<TPanel>(*form, "Dock_Topo");
    auto* panel = find<TPanel>(*form, "Painel");
    auto* label = find<TLabel>(*form, "RxLabel1");
    auto* list = find<TListBox>(*form, "List_Diretorio");
    auto* files = find<TListBox>(*form, "Lista_Arquivos");
    ASSERT_TRUE(top && panel && label && list && files);
    // Nesting is parenthood; every component belongs to the form.
    EXPECT_EQ(top->Parent(), form);
    EXPECT_EQ(list->Parent(), panel);
    EXPECT_EQ(list->Owner(), form);
    EXPECT_EQ(top->BevelOuter(), bvNone);
    EXPECT_EQ(top->BoundsRect(), (TRect{0, 0, 584, 38}));
    EXPECT_EQ(panel->BoundsRect(), (TRect{0, 38, 584, 432}));
    // Inside the panel's raised bevel, one pixel wide (the panel is 394 high).
    EXPECT_EQ(label->BoundsRect(), (TRect{1, 1, 583, 14}));
    EXPECT_EQ(find<TTestImage>(*form, "Imagem")->BoundsRect(), (TRect{1, 14, 583, 393}));
    EXPECT_EQ(list->Items()->ToVector(), (std::vector<std::string>{"um", "dois", "tr\xC3\xAAs"}));
    EXPECT_EQ(list->Style(), lbOwnerDrawFixed);
    EXPECT_EQ(list->ItemHeight(), 16);
    EXPECT_EQ(list->BoundsRect(), (TRect{2, 16, 147, 116}));
    // Children inherit the form's font unless they set their own.
    EXPECT_EQ(list->Font()->Style(), 1u << fsBold);
    EXPECT_EQ(panel->Hint(), "Painel|da imagem");
    // Tab orders from the design apply once the siblings exist.
    EXPECT_EQ(files->TabOrder(), 0);
    EXPECT_EQ(list->TabOrder(), 1);

    auto* timer = find<TTimer>(*form, "Relogio");
    ASSERT_NE(timer, nullptr);
    EXPECT_EQ(timer->Interval(), 120u);
    EXPECT_FALSE(timer->Enabled());
}

TEST_F(DesignReading, ReferencesResolveEvenToComponentsLaterInTheFile)
{
    auto* menu = find<TMainMenu>(*form, "MainMenu");
    EXPECT_EQ(form->Menu(), menu);
    EXPECT_EQ(form->ActiveControl(), find<TListBox>(*form, "List_Diretorio"));
    EXPECT_EQ(find<TPanel>(*form, "Painel")->PopupMenu(), find<TPopupMenu>(*form, "Popup"));
    // The menu tree follows the nesting.
    ASSERT_EQ(menu->Items()->Count(), 2);
    TMenuItem* file = menu->Items()->Items(0);
    EXPECT_EQ(file->Name(), "mnu_Arquivo");
    ASSERT_EQ(file->Count(), 3);
    EXPECT_TRUE(file->Items(1)->IsLine());
    TMenuItem* stretched = find<TMenuItem>(*form, "mnu_ImagemEsticada");
    EXPECT_TRUE(stretched->Checked());
    EXPECT_EQ(stretched->GroupIndex(), 10);
}

TEST_F(DesignReading, HandlersAreBoundByNameAndOnCreateComesLast)
{
    EXPECT_EQ(form->calls, std::vector<std::string>{"FormCreate"});
    EXPECT_TRUE(form->createdWithMenu);
    find<TMenuItem>(*form, "mnu_Abrir")->Click();
    find<TListBox>(*form, "List_Diretorio")->DblClick();
    TCloseAction action = caHide;
    form->OnClose(form, action);
    EXPECT_EQ(action, caFree);
    EXPECT_EQ(form->calls, (std::vector<std::string>{"FormCreate", "mnu_AbrirClick mnu_Abrir", "ListDblClick", "FormClose"}));
    // The timer's handler is in place even though the timer is off.
    EXPECT_FALSE(find<TTimer>(*form, "Relogio")->OnTimer() == nullptr);
}

TEST_F(DesignReading, BinaryDataReachesTheDeclaredReaderByteForByte)
{
    auto* image = find<TTestImage>(*form, "Imagem");
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->Picture()->reads, 1);
    // Class name length 7, "TBitmap", then the image bytes 01 02 00 FF.
    EXPECT_EQ(image->Picture()->data,
              (std::vector<std::uint8_t>{7, 'T', 'B', 'i', 't', 'm', 'a', 'p', 0x01, 0x02, 0x00, 0xFF}));
}

TEST_F(DesignReading, LoadedRunsForEveryComponentInCreationOrderRootFirst)
{
    ASSERT_EQ(loadedOrder().size(), 3u);
    EXPECT_EQ(loadedOrder()[0], "Form_Teste");
    EXPECT_EQ(loadedOrder()[1], "Primeiro");
    EXPECT_EQ(loadedOrder()[2], "Segundo");
    for (int i = 0; i < form->ComponentCount(); ++i)
        EXPECT_FALSE(form->Components(i)->IsLoading()) << form->Components(i)->Name();
    EXPECT_FALSE(form->IsLoading());
}

TEST_F(DesignReading, ASecondFormOfTheSameOwnerGetsAFreshName)
{
    TComponent owner(nullptr);
    auto* first = new TTestForm(&owner);
    first->LoadDesign("test_form");
    auto* second = new TTestForm(&owner);
    second->LoadDesign(":/designs/test_form.json");
    EXPECT_EQ(first->Name(), "Form_Teste");
    EXPECT_EQ(second->Name(), "Form_Teste_1");
}

TEST(DesignErrors, NameTheComponentThePropertyAndTheCause)
{
    registerTestClasses();
    struct Row {
        const char* name;
        const char* json;
        const char* message;
    };
    const Row rows[] = {
        {"unknown property",
         R"({"class": "TForm", "components": [{"class": "TPanel", "name": "P", "properties": {"Captoin": "x"}}]})",
         "Error reading P.Captoin: Property Captoin does not exist"},
        {"unknown identifier", R"({"class": "TForm", "name": "F", "properties": {"Position": "poCentro"}})",
         "Error reading F.Position: Invalid property value"},
        {"wrong kind of value", R"({"class": "TForm", "name": "F", "properties": {"Width": "largo"}})",
         "Error reading F.Width: Invalid property value"},
        {"number the property cannot hold",
         R"({"class": "TForm", "name": "F", "properties": {"Width": 4294967396}})",
         "Error reading F.Width: Invalid property value"},
        {"negative count of milliseconds",
         R"({"class": "TForm", "components": [{"class": "TTimer", "name": "T", "properties": {"Interval": -1}}]})",
         "Error reading T.Interval: Invalid property value"},
        {"unknown handler", R"({"class": "TForm", "name": "F", "properties": {"OnClose": "FormFechar"}})",
         "Error reading F.OnClose: Handler FormFechar not found"},
        {"handler of another kind", R"({"class": "TForm", "name": "F", "properties": {"OnClose": "Clicar"}})",
         "Error reading F.OnClose: Handler Clicar does not fit the event"},
        {"missing reference", R"({"class": "TForm", "name": "F", "properties": {"Menu": "MenuX"}})",
         "Error reading F.Menu: Component MenuX not found"},
        {"reference of another class",
         R"({"class": "TForm", "name": "F", "properties": {"Menu": "P"}, "components": [{"class": "TPanel", "name": "P"}]})",
         "Error reading F.Menu: Invalid property value"},
        {"unknown sub-property", R"({"class": "TForm", "name": "F", "properties": {"Font.Altura": 3}})",
         "Error reading F.Font.Altura: Property Altura does not exist"},
        {"undeclared binary property",
         R"({"class": "TForm", "name": "F", "properties": {"Dados": {"base64": "AAEC"}}})",
         "Error reading F.Dados: Property Dados does not exist"},
        {"bad base64",
         R"({"class": "TForm", "components": [{"class": "TTestImage", "name": "I", "properties": {"Picture.Data": {"base64": "A@@"}}}]})",
         "Error reading I.Picture.Data: Invalid binary data"},
        {"not a parent",
         R"({"class": "TForm", "components": [{"class": "TTimer", "name": "T", "components": [{"class": "TPanel", "name": "P"}]}]})",
         "TPanel cannot be placed inside TTimer"},
        {"root of another class", R"({"class": "TPanel"})", "Design inline describes a TPanel, not a TForm"},
    };
    std::any clicar = TNotifyEvent([](TObject*) {});
    const HandlerLookup handlers = [&](std::string_view name) -> const std::any* {
        return name == "Clicar" ? &clicar : nullptr;
    };
    for (const Row& row : rows) {
        TForm form(nullptr);
        std::string message;
        try {
            ReadDesignText(form, row.json, handlers, "inline");
            message = "(no error)";
        } catch (const Exception& e) {
            message = e.Message();
        }
        EXPECT_EQ(message, row.message) << row.name;
        // Nothing half-read stays behind.
        EXPECT_EQ(form.ComponentCount(), 0) << row.name;
        EXPECT_FALSE(form.IsLoading()) << row.name;
    }
}

TEST(DesignErrors, AFormWhoseDesignFailsIsNotShown)
{
    TApplication app;
    TForm form(nullptr);
    int shown = 0;
    form.OnShow = [&](TObject*) { ++shown; };
    EXPECT_RAISES(ReadDesignText(form,
                                 R"({"class": "TForm", "name": "F", "properties": {"Visible": true},
                                     "components": [{"class": "TPanel", "name": "P", "properties": {"Captoin": "x"}}]})",
                                 {}, "inline"),
                  EFilerError, "Error reading P.Captoin: Property Captoin does not exist");
    EXPECT_FALSE(form.Visible());
    EXPECT_EQ(shown, 0);
    EXPECT_FALSE(form.IsLoading());
    // The same design without the fault shows the form once it is read.
    ReadDesignText(form, R"({"class": "TForm", "name": "F", "properties": {"Visible": true}})", {}, "inline");
    EXPECT_TRUE(form.Visible());
    EXPECT_EQ(shown, 1);
}

TEST(DesignErrors, UnknownClassesAndBrokenFiles)
{
    TForm form(nullptr);
    EXPECT_RAISES(ReadDesignText(form, R"({"class": "TForm", "components": [{"class": "TNaoExiste"}]})", {}, "inline"),
                  EClassNotFound, "Class TNaoExiste not found");
    EXPECT_EQ(errorOf(form, "{\"class\": ").rfind("Invalid design inline: ", 0), 0u);
    EXPECT_RAISES(ReadDesign(form, "nao_existe", {}), EFOpenError, "Cannot open file :/designs/nao_existe.json");
    EXPECT_EQ(DesignPath("Form_Viewer"), ":/designs/Form_Viewer.json");
    EXPECT_EQ(DesignPath("/designs/x.json"), "/designs/x.json");
}

TEST(DesignValues, ColoursCursorsSetsAndSubObjects)
{
    TForm form(nullptr);
    ReadDesignText(form, R"({"class": "TForm", "name": "F", "components": [
        {"class": "TPanel", "name": "P", "properties": {
            "Color": "$00A00000", "Cursor": "crHourGlass", "Font": {"Color": "clNavy", "Style": ["fsItalic", "fsBold"]},
            "Constraints.MinWidth": 50, "Visible": false, "Tag": 7}},
        {"class": "TScrollBox", "name": "S", "properties": {"HorzScrollBar.Increment": 16}},
        {"class": "TButton", "name": "B", "properties": {"ModalResult": "mrCancel", "Cancel": true}}]})",
                   {}, "inline");
    auto* panel = dynamic_cast<TPanel*>(form.FindComponent("P"));
    ASSERT_NE(panel, nullptr);
    EXPECT_EQ(panel->Color(), TColor(0x00A00000));
    EXPECT_EQ(panel->Cursor(), crHourGlass);
    EXPECT_EQ(panel->Font()->Color(), clNavy);
    EXPECT_EQ(panel->Font()->Style(), (1u << fsBold) | (1u << fsItalic));
    EXPECT_EQ(panel->Constraints()->MinWidth(), 50);
    EXPECT_FALSE(panel->Visible());
    EXPECT_EQ(panel->Tag(), 7);
    auto* box = dynamic_cast<TScrollBox*>(form.FindComponent("S"));
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->HorzScrollBar()->Increment(), 16);
    auto* button = dynamic_cast<TButton*>(form.FindComponent("B"));
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button->ModalResult(), mrCancel);
    EXPECT_TRUE(button->Cancel());
}
