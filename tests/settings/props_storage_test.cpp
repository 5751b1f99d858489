// Properties kept as text: every kind's text form, both ways, and the sections of their own that
// string lists and collections keep.

#include "framework/application.h"
#include "framework/collection.h"
#include "framework/forms.h"
#include "framework/strings.h"
#include "settings/props_storage.h"

#include "support/test_support.h"

#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace {

enum TSide { sdLeft, sdCenter, sdRight };

// A sub-object with properties of its own.
class TSampleFont : public TPersistent {
    PICTAVO_CLASS(TSampleFont)
public:
    int Size() const { return m_size; }
    void SetSize(int size) { m_size = size; }
    std::string FaceName() const { return m_name; }
    void SetFaceName(const std::string& name) { m_name = name; }
    const PropertyTable* Properties() const override
    {
        static const PropertyTable table(nullptr, {
            props::integer<TSampleFont, int>("Size", &TSampleFont::Size, &TSampleFont::SetSize),
            props::string<TSampleFont>("Name", &TSampleFont::FaceName, &TSampleFont::SetFaceName),
        });
        return &table;
    }

private:
    int m_size = 8;
    std::string m_name = "Sans";
};

class TSampleItem : public TCollectionItem {
    PICTAVO_CLASS(TSampleItem)
public:
    std::string Caption() const { return m_caption; }
    void SetCaption(const std::string& caption) { m_caption = caption; }
    int Width() const { return m_width; }
    void SetWidth(int width) { m_width = width; }
    const PropertyTable* Properties() const override
    {
        static const PropertyTable table(nullptr, {
            props::string<TSampleItem>("Caption", &TSampleItem::Caption, &TSampleItem::SetCaption),
            props::integer<TSampleItem, int>("Width", &TSampleItem::Width, &TSampleItem::SetWidth),
        });
        return &table;
    }

private:
    std::string m_caption;
    int m_width = 0;
};

class TSample : public TComponent {
    PICTAVO_CLASS(TSample)
public:
    explicit TSample(TComponent* owner) : TComponent(owner) {}

    long long Count() const { return m_count; }
    void SetCount(long long count) { m_count = count; }
    short Small() const { return m_small; }
    void SetSmall(short value) { m_small = value; }
    char Letter() const { return m_letter; }
    void SetLetter(char letter) { m_letter = letter; }
    TSide Side() const { return m_side; }
    void SetSide(TSide side) { m_side = side; }
    bool Flag() const { return m_flag; }
    void SetFlag(bool flag) { m_flag = flag; }
    double Ratio() const { return m_ratio; }
    void SetRatio(double ratio) { m_ratio = ratio; }
    std::string Text() const { return m_text; }
    void SetText(const std::string& text) { m_text = text; }
    unsigned Options() const { return m_options; }
    void SetOptions(unsigned options) { m_options = options; }
    TComponent* Link() const { return m_link; }
    void SetLink(TComponent* link) { m_link = link; }
    TStringList* Lines() const { return m_lines.get(); }
    TSampleFont* Font() const { return m_font.get(); }
    TCollection* Items() const { return m_items.get(); }

    const PropertyTable* Properties() const override
    {
        static const PropertyTable table(nullptr, {
            props::integer<TSample, long long>("Count", &TSample::Count, &TSample::SetCount),
            props::integer<TSample, short>("Small", &TSample::Small, &TSample::SetSmall),
            props::character<TSample>("Letter", &TSample::Letter, &TSample::SetLetter),
            props::enumeration<TSample, TSide>("Side", {"sdLeft", "sdCenter", "sdRight"}, &TSample::Side,
                                               &TSample::SetSide),
            props::boolean<TSample>("Flag", &TSample::Flag, &TSample::SetFlag),
            props::floating<TSample, double>("Ratio", &TSample::Ratio, &TSample::SetRatio),
            props::string<TSample>("Text", &TSample::Text, &TSample::SetText),
            props::set<TSample, unsigned>("Options", {"opOne", "opTwo", "opThree"}, &TSample::Options,
                                          &TSample::SetOptions),
            props::component<TSample, TComponent>("Link", &TSample::Link, &TSample::SetLink),
            props::strings<TSample, TStringList>("Lines", &TSample::Lines),
            props::object<TSample, TSampleFont>("Font", &TSample::Font),
            props::collection<TSample, TCollection>("Items", &TSample::Items),
            props::event<TSample, TNotifyEvent>("OnChange", &TSample::OnChange),
        });
        return &table;
    }
    TNotifyEvent OnChange;

private:
    long long m_count = 0;
    short m_small = 0;
    char m_letter = 'a';
    TSide m_side = sdLeft;
    bool m_flag = false;
    double m_ratio = 0;
    std::string m_text;
    unsigned m_options = 0;
    TComponent* m_link = nullptr;
    std::unique_ptr<TStringList> m_lines = std::make_unique<TStringList>();
    std::unique_ptr<TSampleFont> m_font = std::make_unique<TSampleFont>();
    std::unique_ptr<TCollection> m_items = std::make_unique<TCollection>(TSampleItem::StaticClass());
};

PICTAVO_DEFINE_CLASS(TSampleFont, TPersistent, createObjectOf<TSampleFont>, nullptr)
PICTAVO_DEFINE_CLASS(TSampleItem, TCollectionItem, createObjectOf<TSampleItem>, nullptr)
PICTAVO_DEFINE_CLASS(TSample, TComponent, nullptr, createComponentOf<TSample>)

using Section = std::vector<std::pair<std::string, std::string>>;

// A settings file in memory, sections and keys in the order they were written.
class MemoryFile {
public:
    TPropsStorage::File file()
    {
        return {
            [this](const std::string& section, const std::string& key, const std::string& fallback) {
                const auto* found = entry(section, key);
                return found ? *found : fallback;
            },
            [this](const std::string& section, const std::string& key, const std::string& value) {
                if (auto* found = entry(section, key))
                    *found = value;
                else
                    sections[section].emplace_back(key, value);
            },
            [this](const std::string& section) { sections.erase(section); },
        };
    }
    std::string* entry(const std::string& section, const std::string& key)
    {
        for (auto& [name, value] : sections[section])
            if (SameText(name, key))
                return &value;
        return nullptr;
    }

    std::map<std::string, Section> sections;
};

class PropsStorageTest : public ::testing::Test {
protected:
    PropsStorageTest()
    {
        form.SetName("Janela");
        sample->SetName("Amostra");
        panel->SetName("Painel");
        other.SetName("Outra");
        button->SetName("Botao");
    }
    const PropertyInfo& property(const std::string& name) { return *sample->Properties()->Find(name); }
    void store(const std::string& name) { storage.StoreProperty(*sample, property(name), "Amostra_" + name); }
    void load(const std::string& name) { storage.LoadProperty(*sample, property(name), "Amostra_" + name); }
    Section& main() { return memory.sections["Pictavo"]; }

    TApplication application;
    TForm form{nullptr};
    TSample* sample = new TSample(&form);
    TComponent* panel = new TComponent(&form);
    TForm other{nullptr};
    TComponent* button = new TComponent(&other);
    MemoryFile memory;
    TPropsStorage storage{&form, "Pictavo", memory.file()};
};

TEST_F(PropsStorageTest, EachKindIsWrittenInItsTextForm)
{
    struct Case {
        const char* property;
        std::function<void(TSample&)> set;
        const char* text;  // null: nothing is written
    };
    TComponent* unnamedOwner = new TComponent(nullptr);
    TComponent* inUnnamed = new TComponent(unnamedOwner);
    inUnnamed->SetName("Solto");
    const Case cases[] = {
        {"Count", [](TSample& s) { s.SetCount(-42); }, "-42"},
        {"Letter", [](TSample& s) { s.SetLetter('z'); }, "z"},
        {"Side", [](TSample& s) { s.SetSide(sdRight); }, "sdRight"},
        {"Flag", [](TSample& s) { s.SetFlag(true); }, "True"},
        {"Ratio", [](TSample& s) { s.SetRatio(0.1); }, "0.1"},
        {"Ratio", [](TSample& s) { s.SetRatio(2.5e-7); }, "2.5e-07"},
        {"Text", [](TSample& s) { s.SetText("  olá mundo "); }, "olá mundo"},
        {"Text", [](TSample& s) { s.SetText(""); }, ""},
        {"Options", [](TSample& s) { s.SetOptions(0b101); }, "[opOne,opThree]"},
        {"Options", [](TSample& s) { s.SetOptions(0); }, "[]"},
        {"Link", [this](TSample& s) { s.SetLink(panel); }, "Painel"},
        {"Link", [this](TSample& s) { s.SetLink(button); }, "Outra.Botao"},
        {"Link", [inUnnamed](TSample& s) { s.SetLink(inUnnamed); }, "Component.Solto"},
        {"Link", [](TSample& s) { s.SetLink(nullptr); }, nullptr},
        {"OnChange", [](TSample&) {}, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.property) + " -> " + (c.text ? c.text : "(nothing)"));
        memory.sections.clear();
        c.set(*sample);
        store(c.property);
        if (c.text)
            EXPECT_EQ(main(), (Section{{std::string("Amostra_") + c.property, c.text}}));
        else
            EXPECT_TRUE(main().empty());
    }
    delete unnamedOwner;
}

TEST_F(PropsStorageTest, EachKindIsReadBackOrLeftAsItWas)
{
    struct Case {
        const char* property;
        const char* stored;  // null: no key at all
        std::function<bool(const TSample&)> expected;
    };
    const Case cases[] = {
        {"Count", " 17 ", [](const TSample& s) { return s.Count() == 17; }},
        {"Count", "dezessete", [](const TSample& s) { return s.Count() == 0; }},
        {"Count", nullptr, [](const TSample& s) { return s.Count() == 5; }},
        {"Small", "99999", [](const TSample& s) { return s.Small() == 32767; }},
        {"Letter", "xyz", [](const TSample& s) { return s.Letter() == 'x'; }},
        {"Side", "SDCENTER", [](const TSample& s) { return s.Side() == sdCenter; }},
        {"Side", "meio", [](const TSample& s) { return s.Side() == sdRight; }},
        {"Flag", "false", [](const TSample& s) { return !s.Flag(); }},
        {"Flag", "talvez", [](const TSample& s) { return s.Flag(); }},
        {"Ratio", "3.25", [](const TSample& s) { return s.Ratio() == 3.25; }},
        {"Ratio", "3,25", [](const TSample& s) { return s.Ratio() == 1.5; }},
        {"Text", "  palavras  soltas ", [](const TSample& s) { return s.Text() == "palavras  soltas"; }},
        {"Options", "[opThree, nada ,opOne]", [](const TSample& s) { return s.Options() == 0b101; }},
        {"Options", "[]", [](const TSample& s) { return s.Options() == 0; }},
        {"Link", "(NULL)", [](const TSample& s) { return s.Link() == nullptr; }},
        {"Link", "painel", [this](const TSample& s) { return s.Link() == panel; }},
        {"Link", "Outra.Botao", [this](const TSample& s) { return s.Link() == button; }},
        {"Link", "Ninguem", [](const TSample& s) { return s.Link() == nullptr; }},
        {"Link", "Fantasma.Botao", [this](const TSample& s) { return s.Link() == panel; }},
        {"Link", "", [this](const TSample& s) { return s.Link() == panel; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.property) + " <- " + (c.stored ? c.stored : "(no key)"));
        sample->SetCount(5);
        sample->SetSide(sdRight);
        sample->SetFlag(true);
        sample->SetRatio(1.5);
        sample->SetOptions(0b010);
        sample->SetLink(panel);
        memory.sections.clear();
        if (c.stored)
            main().emplace_back(std::string("amostra_") + c.property, c.stored);
        load(c.property);
        EXPECT_TRUE(c.expected(*sample));
    }
    // A property that refers to no component takes none from the file.
    sample->SetLink(nullptr);
    main() = {{"Amostra_Link", "Painel"}};
    load("Link");
    EXPECT_EQ(sample->Link(), nullptr);
}

TEST_F(PropsStorageTest, SubObjectsTakeOneKeyPerProperty)
{
    sample->Font()->SetSize(12);
    sample->Font()->SetFaceName("DejaVu Sans");
    store("Font");
    EXPECT_EQ(main(), (Section{{"Amostra_FontSize", "12"}, {"Amostra_FontName", "DejaVu Sans"}}));
    main() = {{"Amostra_FontSize", "20"}};
    load("Font");
    EXPECT_EQ(sample->Font()->Size(), 20);
    EXPECT_EQ(sample->Font()->FaceName(), "DejaVu Sans");
}

TEST_F(PropsStorageTest, StringListsKeepASectionOfTheirOwn)
{
    const std::string section = "Pictavo.Amostra_Lines";
    memory.sections[section] = {{"Item7", "velho"}};
    sample->Lines()->SetStrings({"primeira", "segunda"});
    store("Lines");
    EXPECT_EQ(memory.sections[section], (Section{{"Count", "2"}, {"Item0", "primeira"}, {"Item1", "segunda"}}));
    // An empty list erases the section and writes nothing.
    sample->Lines()->SetStrings({});
    store("Lines");
    EXPECT_FALSE(memory.sections.contains(section));

    sample->Lines()->SetStrings({"fica"});
    memory.sections[section] = {{"Count", "0"}};
    load("Lines");
    EXPECT_EQ(sample->Lines()->ToVector(), std::vector<std::string>{"fica"}) << "a count of 0 replaces nothing";
    memory.sections[section] = {{"Count", "3"}, {"Item0", "a"}, {"Item2", "c"}};
    load("Lines");
    EXPECT_EQ(sample->Lines()->ToVector(), (std::vector<std::string>{"a", "", "c"}));
}

TEST_F(PropsStorageTest, CollectionsKeepASectionOfTheirOwnForTheItemsThatExist)
{
    const std::string section = "Pictavo.Amostra_Items";
    auto* first = static_cast<TSampleItem*>(sample->Items()->Add());
    first->SetCaption("Nome");
    first->SetWidth(120);
    auto* second = static_cast<TSampleItem*>(sample->Items()->Add());
    second->SetWidth(40);
    store("Items");
    EXPECT_EQ(memory.sections[section], (Section{{"Item0_Caption", "Nome"},
                                                 {"Item0_Width", "120"},
                                                 {"Item1_Caption", ""},
                                                 {"Item1_Width", "40"}}));
    memory.sections[section] = {{"Item1_Width", "77"}, {"Item2_Width", "5"}};
    load("Items");
    EXPECT_EQ(second->Width(), 77);
    EXPECT_EQ(first->Width(), 120);
    EXPECT_EQ(sample->Items()->Count(), 2) << "no item is made for a key";
}

} // namespace
