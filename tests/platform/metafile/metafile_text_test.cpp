// Text records drawn as the characters their font's character set or symbol set says, checked
// against the expected string drawn directly in the expected face.

#include "emf_builder.h"

#include "platform/metafile/text_encoding.h"

#include <QString>

namespace {

constexpr int width = 160;
constexpr int height = 40;
constexpr std::uint8_t russian = 204, greek = 161, hebrew = 177, symbol = 2;

// A font record: handle 1, 20 pixels high, the face and character set given.
Bytes fontRecord(const std::u16string& face, std::uint8_t charset)
{
    Bytes b;
    b.u32(1).i32(-20).i32(0).i32(0).i32(0).i32(400);
    b.u8(0).u8(0).u8(0).u8(charset).u8(0).u8(0).u8(0).u8(0);
    for (std::size_t i = 0; i < 32; ++i)
        b.u16(i < face.size() ? face[i] : 0);
    return b;
}

// A text record at 4, 8: 8-bit bytes, or 16-bit units, with the advances given.
Bytes textRecord(const std::vector<std::uint16_t>& codes, bool wide, const std::vector<int>& dx = {})
{
    const std::uint32_t count = std::uint32_t(codes.size());
    const std::uint32_t stringBytes = (count * (wide ? 2 : 1) + 3) / 4 * 4;
    Bytes b;
    b.zeros(16).u32(1).u32(0).u32(0);                                  // bounds, mode, scales
    b.i32(4).i32(8).u32(count).u32(76).u32(0).zeros(16);                 // point, count, string, options, rectangle
    b.u32(dx.empty() ? 0 : 76 + stringBytes);
    Bytes string;
    for (std::uint16_t c : codes)
        wide ? string.u16(c) : string.u8(c);
    string.zeros(stringBytes - string.size());
    b.raw(string.data());
    for (int d : dx)
        b.i32(d);
    return b;
}

// A Windows metafile choosing the font and writing the bytes at 4, 8.
std::vector<std::uint8_t> windowsText(const std::string& face, std::uint8_t charset, const std::vector<std::uint8_t>& text)
{
    Bytes font;
    font.i16(-20).i16(0).i16(0).i16(0).i16(400).u8(0).u8(0).u8(0).u8(charset).zeros(4).text(face).zeros(32 - face.size());
    Bytes records;
    records.u32(3 + std::uint32_t(font.size()) / 2).u16(0x02FB).raw(font.data());  // font → slot 0
    records.u32(4).u16(0x012D).u16(0);                                            // selected
    Bytes textOut;
    textOut.i16(std::int16_t(text.size())).raw(text);
    if (text.size() % 2)
        textOut.u8(0);
    textOut.i16(8).i16(4);
    records.u32(3 + std::uint32_t(textOut.size()) / 2).u16(0x0521).raw(textOut.data());
    Bytes wmf;
    wmf.u16(1).u16(9).u16(0x300).u32(0).u16(1).u32(0).u16(0).raw(records.data()).u32(3).u16(0);
    wmf.patchU32(6, std::uint32_t(wmf.size() / 2));
    return wmf.data();
}

std::unique_ptr<Section> blank()
{
    auto section = Section::createDisplayCompatible(width, height);
    section->fill(white);
    return section;
}

// The string drawn at 4, 8 in the face, as the player's context would draw it.
std::unique_ptr<Section> expected(const std::string& face, const std::u16string& text)
{
    auto section = blank();
    SectionDeviceContext dc(*section);
    FontSpec font;
    font.family = face;
    font.height = -20;
    dc.setFont(font);
    const QByteArray utf8 = QString::fromStdU16String(text).toUtf8();
    dc.extTextOut({4, 8}, 0, nullptr, std::string(utf8.constData(), std::size_t(utf8.size())));
    return section;
}

int darkPixels(const Section& s)
{
    int count = 0;
    for (int y = 0; y < s.height(); ++y)
        for (int x = 0; x < s.width(); ++x)
            count += s.pixel(x, y) != white;
    return count;
}

} // namespace

TEST(MetafileText, CharactersComeFromTheFontsCharacterSetOrSymbolSet)
{
    struct Row {
        const char* name;
        std::u16string face;
        std::uint8_t charset;
        std::vector<std::uint16_t> codes;
        bool wide;
        std::vector<int> dx;
        std::string drawnFace;
        std::u16string shown;
    };
    const Row rows[] = {
        {"Russian set", u"DejaVu Sans", russian, {0xC8, 0xCF, 0x20, 0xD6}, false, {}, "DejaVu Sans", u"ИП Ц"},
        {"Greek set", u"DejaVu Sans", greek, {0xC1, 0xC2, 0xC3}, false, {}, "DejaVu Sans", u"ΑΒΓ"},
        // Right-to-left letters keep their reading order and are laid out by the drawing, not
        // placed one by one at the advances.
        {"Hebrew set", u"DejaVu Sans", hebrew, {0xE0, 0xE1, 0xE2}, false, {30, 30, 30}, "DejaVu Sans", u"אבג"},
        {"Symbol codes in Unicode text", u"Symbol", symbol, {0xF061, 0xF062, 0xF067}, true, {}, "Symbola", u"αβγ"},
        {"Wingdings bytes", u"Wingdings", symbol, {0x4A, 0x51}, false, {}, "Symbola", u"☺✈"},
        {"Wingdings 3 bytes", u"Wingdings 3", symbol, {0x21, 0x22}, false, {}, "Symbola", u"⭠⭢"},
        {"Arial in its metric-compatible face", u"Arial", 0, {0x48, 0x69}, false, {}, "Liberation Sans", u"Hi"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Emf emf(width, height);
        emf.record(82, fontRecord(row.face, row.charset)).select(1);
        emf.record(row.wide ? 84 : 83, textRecord(row.codes, row.wide, row.dx));
        const auto played = play(emf.bytes(), width, height);
        const auto shown = expected(row.drawnFace, row.shown);
        EXPECT_GT(darkPixels(*shown), 20);
        EXPECT_EQ(differentPixels(*played, *shown), 0);
    }
}

TEST(MetafileText, WindowsMetafileTextIsReadInItsFontsCharacterSet)
{
    const MetafileHandle metafile =
        convertWindowsMetafile(windowsText("DejaVu Sans", russian, {0xC8, 0xCF, 0x20, 0xD6}), {0, 0, width, height}, {1, 1});
    ASSERT_NE(metafile, nullptr);
    auto played = blank();
    SectionDeviceContext dc(*played);
    playEnhancedMetafile(dc, *metafile, {0, 0, width - 1, height - 1});
    EXPECT_EQ(differentPixels(*played, *expected("DejaVu Sans", u"ИП Ц")), 0);

    // Saved as a Windows metafile again, the text keeps its bytes.
    const auto bits = windowsMetafileBits(*metafile, {width, height});
    ASSERT_TRUE(bits.has_value());
    const std::vector<std::uint8_t> cyrillic = {0xC8, 0xCF, 0x20, 0xD6};
    EXPECT_NE(std::search(bits->begin(), bits->end(), cyrillic.begin(), cyrillic.end()), bits->end());
}

TEST(MetafileText, EachCharacterSetReadsItsOwnCodePage)
{
    using platform::metafile::decodeText;
    using platform::metafile::encodeText;
    const struct {
        std::uint8_t charset;
        std::vector<std::uint8_t> bytes;
        std::u16string text;
    } rows[] = {
        {0, {0x80, 0xE9}, u"€é"},   {1, {0x80}, u"€"},          {238, {0x8A}, u"Š"},       {204, {0xC0}, u"А"},
        {161, {0xC1}, u"Α"},        {162, {0xD0}, u"Ğ"},        {177, {0xE0}, u"א"},       {178, {0xC7}, u"ا"},
        {186, {0xC0}, u"Ą"},        {163, {0xD0}, u"Đ"},        {222, {0xA1}, u"ก"},       {128, {0x82, 0xA0}, u"あ"},
        {134, {0xC4, 0xE3}, u"你"}, {129, {0xB0, 0xA1}, u"가"}, {136, {0xA4, 0x40}, u"一"}, {255, {0xB3}, u"│"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(int(row.charset));
        EXPECT_EQ(decodeText(row.bytes, row.charset), row.text);
        EXPECT_EQ(encodeText(row.text, row.charset), std::string(row.bytes.begin(), row.bytes.end()));
    }
    // A lead byte without its second byte, and a character the code page lacks.
    EXPECT_EQ(decodeText(std::vector<std::uint8_t>{0x41, 0x82}, 128), u"A\uFFFD");
    EXPECT_EQ(encodeText(u"Aж", 0), "A?");
}
