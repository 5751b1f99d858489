#pragma once
// The characters of metafile text: 8-bit text is in the code page of its font's character set,
// and the symbol fonts' codes stand for characters of their own. Internal to platform/metafile.

#include <QString>

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace platform::metafile {

// Character sets of logical fonts.
enum : std::uint8_t {
    ANSI_CHARSET = 0, DEFAULT_CHARSET = 1, SYMBOL_CHARSET = 2, SHIFTJIS_CHARSET = 128, HANGUL_CHARSET = 129,
    GB2312_CHARSET = 134, CHINESEBIG5_CHARSET = 136, GREEK_CHARSET = 161, TURKISH_CHARSET = 162,
    VIETNAMESE_CHARSET = 163, HEBREW_CHARSET = 177, ARABIC_CHARSET = 178, BALTIC_CHARSET = 186,
    RUSSIAN_CHARSET = 204, THAI_CHARSET = 222, EASTEUROPE_CHARSET = 238, OEM_CHARSET = 255,
};

// The code page of a character set's 8-bit text: 1252 for the default set and any set not
// listed.
int codePageOf(std::uint8_t charset);
// 8-bit text read in the code page of the character set; bytes it cannot read become U+FFFD.
std::u16string decodeText(std::span<const std::uint8_t> text, std::uint8_t charset);
// Text written in the code page of the character set; characters it lacks become '?'.
std::string encodeText(std::u16string_view text, std::uint8_t charset);

// Whether the character set's text reads from right to left, and whether text holds letters
// that do.
bool isRightToLeft(std::uint8_t charset);
bool hasRightToLeftLetters(std::u16string_view text);

// The symbol fonts whose codes stand for characters of their own.
enum class SymbolSet { None, Symbol, Wingdings, Wingdings2, Wingdings3 };
SymbolSet symbolSetOf(std::string_view family);
// The character a code of the symbol set stands for; codes 0x20 to 0xFF count, and so do the
// same codes moved to U+F020..U+F0FF, where Unicode text keeps them. Other codes, and codes the
// set leaves empty, stand for themselves.
char32_t symbolCharacter(SymbolSet set, char16_t code);

// The characters of text in a font of this family and character set: 8-bit text is read in the
// set's code page (a symbol font's bytes are its own codes), and the symbol fonts' codes become
// what they stand for. `pairs` (when given) gets the index of each code that became two UTF-16
// units.
QString fontText(std::span<const std::uint8_t> bytes, const std::string& family, std::uint8_t charset,
                 std::vector<std::size_t>* pairs = nullptr);
QString fontText(std::u16string_view units, const std::string& family, std::vector<std::size_t>* pairs = nullptr);

} // namespace platform::metafile
