#pragma once
// The benchmarks' walkthrough document: a generated Russian RTF of a given
// size (headings, formatted paragraphs, links, a table per chapter), the same
// bytes on every run.
#include "tools/pack/Generator.h"

#include <cstdint>
#include <string>

namespace kodrix::bench {

// A small deterministic generator.
struct Random {
    std::uint64_t state = 0x9E3779B97F4A7C15ull;
    std::uint32_t next() {
        state = state * 6364136223846793005ull + 1442695040888963407ull;
        return static_cast<std::uint32_t>(state >> 33);
    }
    int below(int n) { return static_cast<int>(next() % static_cast<std::uint32_t>(n)); }
};

// cp1251 syllables, written as RTF hex escapes.
inline const char* const kSyllables[] = {"\xEF\xF0\xEE", "\xF5\xEE", "\xE6\xE4\xE5", "\xED\xE8", "\xE5", "\xE3\xE5",
                                         "\xF0\xEE\xE9", "\xEA\xE0", "\xF0\xF2\xE0", "\xF3\xF0\xEE", "\xE2\xE5\xED",
                                         "\xEC\xE5\xF7", "\xE7\xE0", "\xEC\xEE\xEA", "\xE1\xEE\xF1\xF1", "\xF3\xF1"};

inline std::string walkthroughRtf(std::size_t targetBytes) {
    Random rng;
    std::string rtf =
        "{\\rtf1\\ansi\\ansicpg1251\\deff0{\\fonttbl{\\f0\\fswiss\\fcharset204 Arial;}"
        "{\\f1\\froman\\fcharset204 Times New Roman;}}"
        "{\\colortbl ;\\red0\\green0\\blue0;\\red192\\green0\\blue0;\\red0\\green96\\blue160;}\r\n"
        "\\uc1\\pard\\qc\\sa240\\f0\\fs20{\\b\\fs32\\cf3 ";
    kodrix::pack::appendRtfText(rtf, "\xCF\xF0\xEE\xF5\xEE\xE6\xE4\xE5\xED\xE8\xE5");
    rtf += "}\\par\r\n";
    int chapter = 1, link = 1;
    while (rtf.size() < targetBytes) {
        rtf += "\\pard\\sb240\\sa120{\\b\\fs26 ";
        kodrix::pack::appendRtfText(rtf, "\xC3\xEB\xE0\xE2\xE0 " + std::to_string(chapter++));
        rtf += "}\\par\r\n";
        for (int p = 3 + rng.below(4); p > 0; --p) {
            rtf += "\\pard\\fi360\\sa120\\qj ";
            for (int w = 30 + rng.below(40); w > 0; --w) {
                std::string word;
                for (int s = 1 + rng.below(3); s > 0; --s) word += kSyllables[rng.below(16)];
                const int style = rng.below(40);
                if (style == 0) rtf += "{\\b ";
                else if (style == 1) rtf += "{\\i ";
                else if (style == 2) rtf += "{\\cf2\\ul ";
                else if (style == 3) rtf += "{\\f1\\fs24 ";
                kodrix::pack::appendRtfText(rtf, word);
                if (style < 4) rtf += "}";
                rtf += rng.below(9) ? " " : (rng.below(2) ? ". " : "\\emdash  ");
            }
            rtf += "\\par\r\n";
            if (rng.below(3) == 0) {
                rtf += "\\pard ";
                kodrix::pack::appendRtfText(rtf, "\xD1\xEA\xF0\xE8\xED\xF8\xEE\xF2: ");
                rtf += "www." + std::to_string(link++) + "\\par\r\n";
            }
        }
        rtf += "\\trowd\\cellx3000\\cellx6000\\pard\\intbl ";
        kodrix::pack::appendRtfText(rtf, "\xCA\xEE\xE4");
        rtf += "\\cell ";
        kodrix::pack::appendRtfText(rtf, "\xD0\xE5\xE7\xF3\xEB\xFC\xF2\xE0\xF2");
        rtf += "\\cell\\row\r\n";
    }
    rtf += "}";
    return rtf;
}

}  // namespace kodrix::bench
