#include "common/Cp1251.h"

#include <algorithm>
#include <array>

namespace cp1251 {
namespace {

// Code points of the bytes 0x80 to 0xBF; 0xC0 to 0xFF are the contiguous Cyrillic letters U+0410 to U+044F.
constexpr std::array<char16_t, 64> kHighHalf = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021, // 80
    0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F, // 88
    0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, // 90
    0x0098, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F, // 98 (0x98 is undefined)
    0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7, // A0
    0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407, // A8
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7, // B0
    0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457, // B8
};

constexpr std::array<unsigned char, 256> makeFoldTable() {
    std::array<unsigned char, 256> table{};
    for (int i = 0; i < 256; ++i)
        table[i] = static_cast<unsigned char>(i);
    for (int c = 'A'; c <= 'Z'; ++c)
        table[c] = static_cast<unsigned char>(c + 32);
    for (int c = 0xC0; c <= 0xDF; ++c)
        table[c] = static_cast<unsigned char>(c + 32);
    // Capitals outside the contiguous block, with their small letters.
    // clang-format off
    constexpr std::array<std::pair<unsigned char, unsigned char>, 15> kPairs = {{
        {0x80, 0x90}, {0x81, 0x83}, {0x8A, 0x9A}, {0x8C, 0x9C}, {0x8D, 0x9D}, {0x8E, 0x9E}, {0x8F, 0x9F},
        {0xA1, 0xA2}, {0xA3, 0xBC}, {0xA5, 0xB4}, {0xA8, 0xB8}, {0xAA, 0xBA}, {0xAF, 0xBF}, {0xB2, 0xB3},
        {0xBD, 0xBE},
    }};
    // clang-format on
    for (auto [upper, lower] : kPairs)
        table[upper] = lower;
    return table;
}

constexpr std::array<unsigned char, 256> kFold = makeFoldTable();

} // namespace

char16_t toUnicode(unsigned char byte) {
    if (byte < 0x80)
        return byte;
    if (byte >= 0xC0)
        return static_cast<char16_t>(0x0410 + (byte - 0xC0));
    return kHighHalf[byte - 0x80];
}

std::optional<unsigned char> fromUnicode(char16_t codePoint) {
    if (codePoint < 0x80)
        return static_cast<unsigned char>(codePoint);
    if (codePoint >= 0x0410 && codePoint <= 0x044F)
        return static_cast<unsigned char>(0xC0 + (codePoint - 0x0410));
    for (std::size_t i = 0; i < kHighHalf.size(); ++i)
        if (kHighHalf[i] == codePoint)
            return static_cast<unsigned char>(0x80 + i);
    return std::nullopt;
}

unsigned char foldCase(unsigned char byte) {
    return kFold[byte];
}

std::string foldCase(std::string_view text) {
    std::string folded(text);
    for (char& c : folded)
        c = static_cast<char>(kFold[static_cast<unsigned char>(c)]);
    return folded;
}

bool equalsIgnoreCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (kFold[static_cast<unsigned char>(a[i])] != kFold[static_cast<unsigned char>(b[i])])
            return false;
    return true;
}

bool looksLikeUtf16(std::string_view bytes) {
    if (bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xFE\xFF"))
        return true;
    // ASCII text in UTF-16 has a NUL beside every character; a sample of the start says enough.
    const std::string_view sample = bytes.substr(0, 4096);
    std::size_t nulAt[2] = {0, 0};
    for (std::size_t i = 0; i < sample.size(); ++i)
        if (sample[i] == '\0')
            ++nulAt[i % 2];
    const std::size_t pairs = sample.size() / 2;
    return pairs > 0 && std::max(nulAt[0], nulAt[1]) * 4 >= pairs * 3;
}

} // namespace cp1251
