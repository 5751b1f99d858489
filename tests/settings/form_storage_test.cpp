#include "framework/application.h"
#include "framework/class_registry.h"
#include "framework/design_reader.h"
#include "framework/forms.h"
#include "settings/form_storage.h"

#include "support/test_support.h"

#include <any>
#include <map>

namespace {

// A form read from a design that holds a form storage, with handlers of its own that note when
// they run, next to what the storage does.
class FormStorageTest : public ::testing::Test {
protected:
    FormStorageTest()
    {
        RegisterFrameworkClasses();
        RegisterSettingsClasses();
        handlers["FormShow"] = TNotifyEvent([this](TObject*) {
            events.push_back(std::string("form shown, restored ") + (storage && storage->Restored() ? "yes" : "no"));
        });
        handlers["FormCloseQuery"] = TCloseQueryEvent([this](TObject*, bool& canClose) {
            events.push_back("form close query");
            canClose = allowClose;
        });
        handlers["FormDestroy"] = TNotifyEvent([this](TObject*) { events.push_back("form destroyed"); });
        handlers["Saved"] = TNotifyEvent([this](TObject*) { events.push_back("saved"); });
        handlers["Restored"] = TNotifyEvent([this](TObject*) { events.push_back("restored"); });
        form = new TForm(nullptr);
        ReadDesignText(*form, R"({"class": "TForm", "name": "Janela",
            "properties": {"Width": 592, "Height": 478, "OnShow": "FormShow",
                           "OnCloseQuery": "FormCloseQuery", "OnDestroy": "FormDestroy"},
            "components": [
              {"class": "TPanel", "name": "Painel"},
              {"class": "TPanel", "name": "Outro"},
              {"class": "TFormStorage", "name": "FormStorage", "properties": {
                "IniFileName": "pictavo.ini", "IniSection": "Pictavo",
                "MinMaxInfo": {"MinTrackWidth": 300, "MinTrackHeight": 250},
                "StoredProps": ["Painel.Visible", " Outro . Caption ", "Nada.Visible", "semponto",
                                "Painel.", "Outro.Visible"],
                "OnSavePlacement": "Saved", "OnRestorePlacement": "Restored"}}]})",
                       [this](std::string_view name) -> const std::any* {
                           auto it = handlers.find(std::string(name));
                           return it == handlers.end() ? nullptr : &it->second;
                       },
                       "storage test");
        storage = dynamic_cast<TFormStorage*>(form->FindComponent("FormStorage"));
    }

    ~FormStorageTest() override { delete form; }

    TApplication application;
    std::map<std::string, std::any> handlers;
    std::vector<std::string> events;
    bool allowClose = true;
    TForm* form;
    TFormStorage* storage;
};

} // namespace

TEST_F(FormStorageTest, RestoresBeforeTheFormsOwnShowAndSavesAfterAnAllowedClose)
{
    EXPECT_EQ(storage->IniFileName(), "pictavo.ini");
    EXPECT_EQ(storage->IniSection(), "Pictavo");
    form->Show();
    allowClose = false;
    form->Close();
    allowClose = true;
    form->Close();
    delete form;
    form = nullptr;
    // Saved once by the close; destroying finds it saved.
    EXPECT_EQ(events, (std::vector<std::string>{"restored", "form shown, restored yes", "form close query",
                                                "form close query", "saved", "form destroyed"}));
}

TEST_F(FormStorageTest, DestroyingSavesWhatNoCloseSaved)
{
    form->Show();
    delete form;
    form = nullptr;
    EXPECT_EQ(events, (std::vector<std::string>{"restored", "form shown, restored yes", "saved", "form destroyed"}));
}

TEST_F(FormStorageTest, AFormNeverShownIsNeverSaved)
{
    form->Close();
    delete form;
    form = nullptr;
    EXPECT_EQ(events, (std::vector<std::string>{"form close query", "form destroyed"}));
}

TEST_F(FormStorageTest, LinesAreBoundToTheFormsComponentsAndFollowThem)
{
    // Lines naming no component, without a dot or without a property are dropped; blanks around
    // the parts go when the lines are written again.
    ASSERT_EQ(storage->BoundProps().size(), 3u);
    EXPECT_EQ(storage->BoundProps()[0].component, form->FindComponent("Painel"));
    EXPECT_EQ(storage->BoundProps()[1].property, "Caption");
    EXPECT_EQ(storage->StoredProps()->ToVector(),
              (std::vector<std::string>{"Painel.Visible", " Outro . Caption ", "Outro.Visible"}));
    form->FindComponent("Outro")->SetName("Outra");
    form->Show();
    EXPECT_EQ(storage->StoredProps()->ToVector(),
              (std::vector<std::string>{"Painel.Visible", "Outra.Caption", "Outra.Visible"}));
    delete form->FindComponent("Outra");
    EXPECT_EQ(storage->StoredProps()->ToVector(), (std::vector<std::string>{"Painel.Visible"}));
}

TEST_F(FormStorageTest, AFormFreedInItsOwnCloseQueryIsNeitherSavedNorTouched)
{
    form->Show();
    handlers.clear();
    form->OnCloseQuery = [this](TObject*, bool&) {
        events.push_back("form close query");
        // The storage goes with the form; the destroying save runs from the form's destructor.
        // The handler goes too: only what is copied out survives the delete.
        TForm*& owned = form;
        delete owned;
        owned = nullptr;
    };
    TComponentRef<TForm> closing(form);
    closing->Close();
    EXPECT_FALSE(closing);
    EXPECT_EQ(events, (std::vector<std::string>{"restored", "form shown, restored yes", "form close query",
                                                "saved", "form destroyed"}));
}

TEST_F(FormStorageTest, AHandlerAssignedLaterReplacesOnlyTheFormsOwn)
{
    // The storage does not live inside the form's handler, so replacing that handler keeps it.
    form->OnShow = [this](TObject*) { events.push_back("new show handler"); };
    form->Show();
    EXPECT_EQ(events, (std::vector<std::string>{"restored", "new show handler"}));
}

TEST_F(FormStorageTest, AFreedStorageHearsNothingMore)
{
    delete storage;
    storage = nullptr;
    form->Show();
    form->Close();
    EXPECT_EQ(events, (std::vector<std::string>{"form shown, restored no", "form close query"}));
}

TEST_F(FormStorageTest, TheMinimumTrackingSizeLimitsTheForm)
{
    form->SetBounds(0, 0, 100, 100);
    EXPECT_EQ(form->Width(), 300);
    EXPECT_EQ(form->Height(), 250);
    form->SetBounds(0, 0, 640, 480);
    EXPECT_EQ(form->Width(), 640);
}

TEST_F(FormStorageTest, PreventResizeKeepsTheSizeAndTakesTheMaximiseButtonAway)
{
    form->SetBounds(10, 10, 640, 480);
    storage->SetPreventResize(true);
    form->SetBounds(10, 10, 900, 300);
    EXPECT_EQ(form->Width(), 640);
    EXPECT_EQ(form->Height(), 480);
    EXPECT_FALSE(form->BorderIcons() & (1u << biMaximize));
}
