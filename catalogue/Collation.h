#pragma once
// The order of the program's sorted lists (platforms, letters, games,
// walkthroughs, search results): the root collation rules for code page 1251
// texts, case ignored, Ё beside Е, the same on any machine whatever its
// locale. A text's key orders byte-wise as the texts collate.
#include "TextList.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kodrix::collation {

// The key of a cp1251 text: the primary weights of its bytes, a 0x01
// separator, then their secondary weights (ignorable bytes left out).
std::string sortKey(std::string_view cp1251);

// <0, 0 or >0 as a's key compares with b's, without building the keys.
int compare(std::string_view a, std::string_view b);

// The lines in collation order; equal lines keep their order. A list that
// is in order already is given back as it is.
TextLines inOrder(TextLines&& lines);
// The same order as the lines' indexes, without moving the lines.
std::vector<std::uint32_t> order(const TextLines& lines);

// Two lists in collation order as one, in order: what inOrder gives for the
// first list's lines followed by the second's (of equal lines, the first
// list's come first).
TextLines merged(const TextLines& first, const TextLines& second);

// A byte's weights (0: the collation ignores the byte).
unsigned char primaryWeight(unsigned char byte);
unsigned char secondaryWeight(unsigned char byte);

}  // namespace kodrix::collation
